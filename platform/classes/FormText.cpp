#include "platform/classes/FormText.h"

#include <cctype>
#include <limits>

namespace {
constexpr int kMaxDepth = 64; // nesting of objects and lists; keeps recursion bounded
constexpr size_t kBinaryBytesPerLine = 32;

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    TFormObject ParseRoot() {
        SkipSpace();
        TFormObject root = ParseObject(0);
        SkipSpace();
        if (!AtEnd())
            Fail(Format("End of text expected but %s found", Describe()));
        return root;
    }

private:
    [[noreturn]] void Fail(const AnsiString& message) const {
        throw EParserError(Format("Line %d: %s", line_, message));
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    AnsiString Describe() const {
        if (AtEnd())
            return "end of text";
        char c = Peek();
        if (std::isprint(static_cast<unsigned char>(c)))
            return AnsiString("'") + c + "'";
        return Format("#%d", static_cast<unsigned char>(c));
    }

    void SkipSpace() {
        while (!AtEnd()) {
            char c = Peek();
            if (c == '\n')
                ++line_;
            else if (!std::isspace(static_cast<unsigned char>(c)))
                return;
            ++pos_;
        }
    }

    void Expect(char c) {
        SkipSpace();
        if (Peek() != c || AtEnd())
            Fail(Format("'%c' expected but %s found", c, Describe()));
        ++pos_;
    }

    AnsiString ReadIdent(bool dotted) {
        SkipSpace();
        if (!IsIdentStart(Peek()))
            Fail(Format("Identifier expected but %s found", Describe()));
        size_t begin = pos_;
        while (true) {
            while (IsIdentChar(Peek()))
                ++pos_;
            if (dotted && Peek() == '.' && IsIdentStart(Peek(1)))
                ++pos_;
            else
                break;
        }
        return AnsiString(text_.substr(begin, pos_ - begin));
    }

    // The identifier ahead, without consuming it.
    AnsiString PeekIdent() {
        SkipSpace();
        size_t end = pos_;
        while (end < text_.size() && IsIdentChar(text_[end]))
            ++end;
        return AnsiString(text_.substr(pos_, end - pos_));
    }

    // A keyword is a word not followed by '=' (a property may be called End).
    bool AtKeyword(const char* keyword) {
        AnsiString word = PeekIdent();
        if (!SameText(word, keyword))
            return false;
        size_t after = pos_ + word.size();
        while (after < text_.size() && (text_[after] == ' ' || text_[after] == '\t'))
            ++after;
        return after >= text_.size() || text_[after] != '=';
    }

    TFormObject ParseObject(int depth) {
        if (depth > kMaxDepth)
            Fail("Objects nested too deeply");
        if (!AtKeyword("object"))
            Fail(Format("'object' expected but %s found", Describe()));
        TFormObject object;
        object.Line = line_;
        ReadIdent(false);
        AnsiString first = ReadIdent(false);
        SkipSpace();
        if (Peek() == ':') {
            ++pos_;
            object.Name = first;
            object.ClassName = ReadIdent(false);
        } else {
            object.ClassName = first;
        }
        while (true) {
            SkipSpace();
            if (AtEnd())
                Fail(Format("'end' expected for object %s", object.Name));
            if (AtKeyword("end")) {
                ReadIdent(false);
                return object;
            }
            if (AtKeyword("object")) {
                object.Children.push_back(ParseObject(depth + 1));
                continue;
            }
            if (!object.Children.empty())
                Fail(Format("'end' or 'object' expected but %s found", Describe()));
            TFormProperty property;
            property.Line = line_;
            property.Name = ReadIdent(true);
            Expect('=');
            property.Value = ParseValue(depth);
            object.Properties.push_back(std::move(property));
        }
    }

    TFormValue ParseValue(int depth) {
        SkipSpace();
        TFormValue value;
        value.Line = line_;
        char c = Peek();
        if (AtEnd())
            Fail("Value expected but end of text found");
        if (c == '-' || c == '+' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            value.Kind = TFormValue::vaInteger;
            value.Integer = ParseInteger();
        } else if (c == '\'' || c == '#') {
            value.Kind = TFormValue::vaString;
            value.Text = ParseString();
        } else if (IsIdentStart(c)) {
            value.Kind = TFormValue::vaIdent;
            value.Text = ReadIdent(true);
        } else if (c == '[') {
            value.Kind = TFormValue::vaSet;
            value.Elements = ParseSet();
        } else if (c == '(') {
            if (depth > kMaxDepth)
                Fail("Lists nested too deeply");
            value.Kind = TFormValue::vaList;
            ++pos_;
            while (true) {
                SkipSpace();
                if (Peek() == ')' && !AtEnd()) {
                    ++pos_;
                    break;
                }
                value.Items.push_back(ParseValue(depth + 1));
            }
        } else if (c == '{') {
            value.Kind = TFormValue::vaBinary;
            value.Text = ParseBinary();
        } else {
            Fail(Format("Invalid property value %s", Describe()));
        }
        return value;
    }

    int64_t ParseInteger() {
        bool negative = false;
        if (Peek() == '-' || Peek() == '+') {
            negative = Peek() == '-';
            ++pos_;
        }
        bool hex = Peek() == '$';
        if (hex)
            ++pos_;
        const uint64_t base = hex ? 16 : 10;
        const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
        uint64_t magnitude = 0;
        size_t digits = 0;
        while (true) {
            int digit =
                hex ? HexDigit(Peek())
                    : (std::isdigit(static_cast<unsigned char>(Peek())) ? Peek() - '0' : -1);
            if (digit < 0 || AtEnd())
                break;
            if (magnitude > (limit - static_cast<uint64_t>(digit)) / base)
                Fail("Integer value out of range");
            magnitude = magnitude * base + static_cast<uint64_t>(digit);
            ++pos_;
            ++digits;
        }
        if (digits == 0)
            Fail(Format("Number expected but %s found", Describe()));
        if (Peek() == '.' || Peek() == 'e' || Peek() == 'E')
            Fail("Floating-point values are not supported");
        if (IsIdentChar(Peek()))
            Fail(Format("Invalid number: %s after digits", Describe()));
        if (negative)
            return magnitude == (uint64_t{1} << 63) ? std::numeric_limits<int64_t>::min()
                                                    : -static_cast<int64_t>(magnitude);
        return static_cast<int64_t>(magnitude);
    }

    AnsiString ParseString() {
        AnsiString text;
        while (true) {
            if (Peek() == '\'' && !AtEnd()) {
                ++pos_;
                while (true) {
                    if (AtEnd() || Peek() == '\n' || Peek() == '\r')
                        Fail("Unterminated string");
                    if (Peek() == '\'') {
                        if (Peek(1) != '\'')
                            break;
                        ++pos_;
                    }
                    text += Peek();
                    ++pos_;
                }
                ++pos_;
            } else if (Peek() == '#' && !AtEnd()) {
                ++pos_;
                int64_t code = ParseCharCode();
                text += static_cast<char>(code);
            } else {
                // 'long' +
                //   'continued'
                size_t mark = pos_;
                int markLine = line_;
                SkipSpace();
                if (Peek() == '+' && !AtEnd()) {
                    ++pos_;
                    SkipSpace();
                    if ((Peek() == '\'' || Peek() == '#') && !AtEnd())
                        continue;
                    Fail(Format("String expected after '+' but %s found", Describe()));
                }
                pos_ = mark;
                line_ = markLine;
                return text;
            }
        }
    }

    int64_t ParseCharCode() {
        bool hex = Peek() == '$';
        if (hex)
            ++pos_;
        int64_t code = 0;
        size_t digits = 0;
        while (!AtEnd()) {
            int digit =
                hex ? HexDigit(Peek())
                    : (std::isdigit(static_cast<unsigned char>(Peek())) ? Peek() - '0' : -1);
            if (digit < 0)
                break;
            code = code * (hex ? 16 : 10) + digit;
            if (code > 255)
                Fail("Character code out of range");
            ++pos_;
            ++digits;
        }
        if (digits == 0)
            Fail(Format("Character code expected but %s found", Describe()));
        return code;
    }

    std::vector<AnsiString> ParseSet() {
        ++pos_;
        std::vector<AnsiString> elements;
        SkipSpace();
        if (Peek() == ']' && !AtEnd()) {
            ++pos_;
            return elements;
        }
        while (true) {
            elements.push_back(ReadIdent(false));
            SkipSpace();
            if (AtEnd())
                Fail("']' expected but end of text found");
            if (Peek() == ']') {
                ++pos_;
                return elements;
            }
            if (Peek() != ',')
                Fail(Format("',' or ']' expected but %s found", Describe()));
            ++pos_;
        }
    }

    AnsiString ParseBinary() {
        ++pos_;
        AnsiString bytes;
        int pending = -1;
        while (true) {
            SkipSpace();
            if (AtEnd())
                Fail("'}' expected but end of text found");
            char c = Peek();
            if (c == '}') {
                if (pending >= 0)
                    Fail("Odd number of hexadecimal digits in binary value");
                ++pos_;
                return bytes;
            }
            int digit = HexDigit(c);
            if (digit < 0)
                Fail(Format("Hexadecimal digit expected but %s found", Describe()));
            if (pending < 0) {
                pending = digit;
            } else {
                bytes += static_cast<char>(pending * 16 + digit);
                pending = -1;
            }
            ++pos_;
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

AnsiString Indent(int level) {
    return AnsiString(static_cast<size_t>(level) * 2, ' ');
}

AnsiString QuoteString(const AnsiString& text) {
    if (text.empty())
        return "''";
    AnsiString out;
    bool quoted = false;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127) {
            if (!quoted)
                out += '\'';
            quoted = true;
            out += c;
            if (c == '\'')
                out += '\'';
        } else {
            if (quoted)
                out += '\'';
            quoted = false;
            out += '#' + IntToStr(byte);
        }
    }
    if (quoted)
        out += '\'';
    return out;
}

void PrintValue(AnsiString& out, const TFormValue& value, int level) {
    switch (value.Kind) {
    case TFormValue::vaInteger:
        out += IntToStr(value.Integer);
        break;
    case TFormValue::vaString:
        out += QuoteString(value.Text);
        break;
    case TFormValue::vaIdent:
        out += value.Text;
        break;
    case TFormValue::vaSet: {
        out += '[';
        for (size_t i = 0; i < value.Elements.size(); ++i)
            out += (i ? ", " : "") + value.Elements[i];
        out += ']';
        break;
    }
    case TFormValue::vaList:
        out += '(';
        for (const TFormValue& item : value.Items) {
            out += '\n' + Indent(level + 1);
            PrintValue(out, item, level + 1);
        }
        out += ')';
        break;
    case TFormValue::vaBinary: {
        static const char digits[] = "0123456789ABCDEF";
        out += '{';
        for (size_t i = 0; i < value.Text.size(); ++i) {
            if (i % kBinaryBytesPerLine == 0)
                out += '\n' + Indent(level + 1);
            auto byte = static_cast<unsigned char>(value.Text[i]);
            out += digits[byte >> 4];
            out += digits[byte & 15];
        }
        out += '}';
        break;
    }
    }
}

void PrintObject(AnsiString& out, const TFormObject& object, int level) {
    out += Indent(level) + "object ";
    out += object.Name.empty() ? object.ClassName : object.Name + ": " + object.ClassName;
    out += '\n';
    for (const TFormProperty& property : object.Properties) {
        out += Indent(level + 1) + property.Name + " = ";
        PrintValue(out, property.Value, level + 1);
        out += '\n';
    }
    for (const TFormObject& child : object.Children)
        PrintObject(out, child, level + 1);
    out += Indent(level) + "end\n";
}
} // namespace

TFormObject ParseFormText(std::string_view text) {
    return Parser(text).ParseRoot();
}

AnsiString PrintFormText(const TFormObject& root) {
    AnsiString out;
    PrintObject(out, root, 0);
    return out;
}
