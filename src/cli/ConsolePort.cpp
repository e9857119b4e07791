#include "cli/ConsolePort.h"

#include <ostream>
#include <string>

namespace tav::cli {

ConsolePort::ConsolePort(std::ostream& out, Policy policy) : out_(out), policy_(std::move(policy)) {}

Answer ConsolePort::messageBox(const Message& m) {
    ++shown_;
    std::string text;  // the terminal wants bare line feeds
    for (char c : m.text)
        if (c != '\r') text.push_back(c);
    out_ << "[" << m.title << "] " << text << "\n";
    return m.buttons == Buttons::OK ? Answer::OK : policy_(m);
}

}  // namespace tav::cli
