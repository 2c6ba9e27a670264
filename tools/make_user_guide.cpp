// Makes the user's guide PDF from its Markdown source at build time:
//   make_user_guide <guide.md> <guide.pdf>
// The text is laid out by Qt's text document on A4 pages with page numbers
// and written by Qt's PDF writer, so the build needs no other tool.

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_user_guide <guide.md> <guide.pdf>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QString pdfPath = QString::fromLocal8Bit(argv[2]);

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_user_guide: %s cannot be read\n", argv[1]);
        return 1;
    }
    QTextDocument guide;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    guide.setDefaultFont(font);
    guide.setMarkdown(QString::fromUtf8(source.readAll()));
    guide.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("WinVESK User's Guide"));

    // Written beside the target and renamed: a failed build leaves no half guide.
    QSaveFile out(pdfPath);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "make_user_guide: %s cannot be written\n", argv[2]);
        return 1;
    }
    {
        QPdfWriter pdf(&out);
        pdf.setTitle(QStringLiteral("WinVESK User's Guide"));
        pdf.setCreator(QStringLiteral("WinVESK"));
        // The document keeps margins of 2 cm inside the page itself, and numbers
        // the pages it prints when it has no page size of its own.
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                      QPageLayout::Millimeter));
        guide.print(&pdf);
    }
    if (!out.commit()) {
        std::fprintf(stderr, "make_user_guide: %s cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
