#include "cli/ConsolePort.h"

#include <fmt/format.h>

#include <cctype>
#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "safe/TextCodec.h"

namespace tav::cli {

namespace {

constexpr int kBarWidth = 40;

std::vector<std::pair<Answer, const char*>> buttonsOf(Buttons b) {
    switch (b) {
        case Buttons::OK: return {{Answer::OK, "OK"}};
        case Buttons::OKCancel: return {{Answer::OK, "OK"}, {Answer::Cancel, "Cancel"}};
        case Buttons::AbortRetryIgnore:
            return {{Answer::Abort, "Abort"}, {Answer::Retry, "Retry"}, {Answer::Ignore, "Ignore"}};
        case Buttons::YesNoCancel:
            return {{Answer::Yes, "Yes"}, {Answer::No, "No"}, {Answer::Cancel, "Cancel"}};
        case Buttons::YesNo: return {{Answer::Yes, "Yes"}, {Answer::No, "No"}};
        case Buttons::RetryCancel: return {{Answer::Retry, "Retry"}, {Answer::Cancel, "Cancel"}};
    }
    return {};
}

}  // namespace

std::string printable(std::string_view text, bool crLfBreaks) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (crLfBreaks && text.substr(i, 2) == "\r\n") {
            out += '\n';
            i += 2;
        } else if (c == '\t' || c == '\r' || c == '\n') {
            out += c == '\t' ? "\\t" : c == '\r' ? "\\r" : "\\n";
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += fmt::format("\\x{:02x}", c);
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else {
            // A whole UTF-8 character passes, except the C1 controls; a stray byte is shown.
            const size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
            const std::string_view sequence = text.substr(i, length);
            if (length == 0 || sequence.size() < length || !isValidUtf8(sequence)) {
                out += fmt::format("\\x{:02x}", c);
                ++i;
            } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
                out += fmt::format("\\u{:04x}", static_cast<unsigned char>(text[i + 1]));
                i += 2;
            } else {
                out += sequence;
                i += length;
            }
        }
    }
    return out;
}

std::string consoleText(const Message& m) {
    return "[" + printable(m.title) + "] " + printable(m.text, true);
}

ConsolePort::ConsolePort(std::ostream& out, Policy policy)
    : out_(out), policy_(std::move(policy)) {}

Answer ConsolePort::messageBox(const Message& m) {
    const bool errorReport = m.title == "Error Report";
    if (errorReport) ++errorReports_;
    const bool hidden = muted_.contains(m.title) ||
                        (quiet_ && m.buttons == Buttons::OK && m.icon == Icon::Information);
    if (!hidden) {
        ++shown_;
        if (m.icon != Icon::Information) ++warnings_;
        endProgress();
        out_ << consoleText(m) << "\n";
        if (context_) {
            if (const std::string where = context_(); !where.empty()) out_ << "  " << where << "\n";
        }
        out_.flush();
    }
    return m.buttons == Buttons::OK ? Answer::OK : policy_(m);
}

std::optional<std::string> ConsolePort::fileDialog(const FileDialog&) {
    if (chosen_.empty()) return std::nullopt;
    std::string path = std::move(chosen_.front());
    chosen_.pop_front();
    return path;
}

void ConsolePort::progress(std::uint64_t done, std::uint64_t total) {
    if (!progressBar_ || total == 0) return;
    const int percent = static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
    if (percent == lastPercent_ && barShown_) return;
    lastPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    out_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
         << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << percent << "%"
         << std::flush;
    barShown_ = true;
}

void ConsolePort::endProgress() {
    if (!barShown_) return;
    out_ << "\r" << std::string(kBarWidth + 8, ' ') << "\r" << std::flush;
    barShown_ = false;
    lastPercent_ = -1;
}

ConsolePort::Policy askOnConsole(std::istream& in, std::ostream& out) {
    return [&in, &out](const Message& m) {
        const auto buttons = buttonsOf(m.buttons);
        const Answer fallback = defaultAnswer(m);
        for (;;) {
            std::string names;
            const char* defaultName = "";
            for (const auto& [answer, name] : buttons) {
                names += (names.empty() ? "" : "/") + std::string(name);
                if (answer == fallback) defaultName = name;
            }
            out << names << "? [" << defaultName << "] " << std::flush;
            std::string line;
            if (!std::getline(in, line)) {
                out << "\n";
                return fallback;
            }
            const size_t first = line.find_first_not_of(" \t\r");
            if (first == std::string::npos) return fallback;
            const char letter =
                static_cast<char>(std::tolower(static_cast<unsigned char>(line[first])));
            for (const auto& [answer, name] : buttons)
                if (std::tolower(static_cast<unsigned char>(name[0])) == letter) return answer;
        }
    };
}

}  // namespace tav::cli
