// Arbitrary form description text: it parses or raises EParserError, and what parses prints
// back to text that parses to the same description.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/classes/FormText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFormObject form;
    try {
        form = ParseFormText(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const EParserError&) {
        return 0;
    }
    const AnsiString printed = PrintFormText(form);
    TFormObject again;
    try {
        again = ParseFormText(printed);
    } catch (const EParserError&) {
        __builtin_trap(); // the printer wrote text its own reader refuses
    }
    if (PrintFormText(again) != printed)
        __builtin_trap();
    return 0;
}
