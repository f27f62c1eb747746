#include "messages.hpp"

// Byte escapes keep the texts independent of the source file's encoding; a
// literal is split where the next letter would extend an escape. The program
// word is spelt "Vestorkal" in the first message only.

namespace vestorkal {

namespace {

#if defined(VESTORKAL_MESSAGES_WINDOWS_1250)
constexpr unsigned kCodePage = 1250;
constexpr std::string_view kWrongName = "Vestorkal...Chybn\xEC zadan\xE9 jm\xE9no mapy.\n";
constexpr std::string_view kMissingMap = "VesTorkal...Neexistuj\xED"
                                         "c\xED mapa.\n";
constexpr std::string_view kMapIsOutput = "VesTorkal...Mapa je z\xE1rove\xF2 v\xFDstupem.\n";
constexpr std::string_view kReadError = "VesTorkal...Chyba p\xF8i \xE8ten\xED mapy.\n";
constexpr std::string_view kWriteError = "VesTorkal...Chyba p\xF8i z\xE1pisu v\xFDstupu.\n";
#elif defined(VESTORKAL_MESSAGES_UTF_8)
constexpr unsigned kCodePage = 65001;
constexpr std::string_view kWrongName =
    "Vestorkal...Chybn\xC4\x9B zadan\xC3\xA9 jm\xC3\xA9no mapy.\n";
constexpr std::string_view kMissingMap = "VesTorkal...Neexistuj\xC3\xAD"
                                         "c\xC3\xAD mapa.\n";
constexpr std::string_view kMapIsOutput =
    "VesTorkal...Mapa je z\xC3\xA1rove\xC5\x88 v\xC3\xBDstupem.\n";
constexpr std::string_view kReadError = "VesTorkal...Chyba p\xC5\x99i \xC4\x8Dten\xC3\xAD mapy.\n";
constexpr std::string_view kWriteError =
    "VesTorkal...Chyba p\xC5\x99i z\xC3\xA1pisu v\xC3\xBDstupu.\n";
#else
#error "Define VESTORKAL_MESSAGES_UTF_8 or VESTORKAL_MESSAGES_WINDOWS_1250"
#endif

} // namespace

const unsigned message_code_page = kCodePage;

std::string_view message(Outcome outcome) {
    // The program asks only for a failure's message, so neither the case of
    // Outcome::copied nor the return after the switch is ever taken. Without
    // the case, -Wswitch could not name an outcome added without a message;
    // without the return, the compiler warns that the function may end
    // without a value, as an enum may hold other values.
    switch (outcome) {
    case Outcome::copied:
        break;
    case Outcome::wrong_name:
        return kWrongName;
    case Outcome::missing_map:
        return kMissingMap;
    case Outcome::map_is_output:
        return kMapIsOutput;
    case Outcome::read_error:
        return kReadError;
    case Outcome::write_error:
        return kWriteError;
    }
    return {};
}

} // namespace vestorkal
