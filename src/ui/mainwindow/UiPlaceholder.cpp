// The GUI library needs at least one source until the first form lands.
namespace vesk::ui {
int guiLibraryAnchor = 0;
}
