#pragma once
// The text of form descriptions as a tree: nested objects with their property lines.
//
//   object Form1: TForm1
//     Caption = 'VOKA Lumivox '
//     Font.Name = 'MS Sans Serif'
//     BorderIcons = [biSystemMenu]
//     object reRore1: TreRore
//       BaudRate = 19200
//     end
//   end
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/SysUtils.h"

// A malformed description: the message names the line.
class EParserError : public Exception {
public:
    using Exception::Exception;
};

struct TFormValue {
    enum TKind { vaInteger, vaString, vaIdent, vaSet, vaList, vaBinary };
    TKind Kind = vaInteger;
    int64_t Integer = 0;
    AnsiString Text;                  // string contents, identifier, or the bytes of a binary value
    std::vector<AnsiString> Elements; // set elements
    std::vector<TFormValue> Items;    // list items
    int Line = 0;
};

struct TFormProperty {
    AnsiString Name; // may be dotted
    TFormValue Value;
    int Line = 0;
};

struct TFormObject {
    AnsiString Name; // may be empty
    AnsiString ClassName;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
    int Line = 0;
};

// Raises EParserError ("Line %d: ...") on malformed text; never reads outside the text.
TFormObject ParseFormText(std::string_view text);
// Two spaces of indentation per level, one property per line, binary values as
// hexadecimal in braces, 32 bytes a line.
AnsiString PrintFormText(const TFormObject& root);
