#include "convert/modConvert.h"

#include "safe/TextCodec.h"
#include "safe/Values.h"

namespace tav {

namespace {

// 1-based character position of the first middle dot, 0 when there is none.
size_t middleDotPosition(std::string_view text) {
    const size_t at = text.find(kMiddleDot);
    return at == std::string_view::npos ? 0 : charCount(text.substr(0, at)) + 1;
}

}  // namespace

Sem sfNumberOnly(std::string_view accountText, std::string& number) {
    number.clear();
    return guarded(kModConvert, "sfNumberOnly", [&]() -> Sem {
        const std::string text = trim(accountText);
        const size_t p = middleDotPosition(text);
        if (p == 0) return {};
        if (p < 2) raise(err::InvalidCall);  // a dot in first place leaves no room for a number
        number = leftChars(text, p - 2);
        return {};
    });
}

Sem sfNameOnly(std::string_view accountText, std::string& name) {
    name.clear();
    return guarded(kModConvert, "sfNameOnly", [&]() -> Sem {
        const std::string text = trim(accountText);
        const size_t p = middleDotPosition(text);
        if (p == 0) {
            name = text;
            return {};
        }
        // Everything after the blank that follows the dot.
        const std::string_view upToDot = leftChars(text, p - 1);
        const std::string_view rest = std::string_view(text).substr(upToDot.size() + kMiddleDot.size());
        name = std::string(rest.substr(rest.empty() ? 0 : leftChars(rest, 1).size()));
        return {};
    });
}

}  // namespace tav
