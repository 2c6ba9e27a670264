#include "core/Interaction.h"

#include <iostream>

namespace vesk {

void BatchInteraction::message(const std::string &text, Icon, const std::string &) {
    ++m_messages;
    std::cerr << "WinVESK: " << text << '\n';
}

Answer BatchInteraction::question(const std::string &text, Buttons, Icon, Answer defaultAnswer,
                                  const std::string &) {
    std::cerr << "WinVESK: " << text << " -> answered by default\n";
    return defaultAnswer;
}

std::optional<std::string> BatchInteraction::inputBox(const std::string &, const std::string &,
                                                      const std::string &) {
    return std::nullopt;
}

std::optional<std::string> BatchInteraction::chooseFile(const FileChoice &) {
    return std::nullopt;
}

} // namespace vesk
