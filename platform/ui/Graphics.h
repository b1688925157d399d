#pragma once
// Colours, fonts and pictures of the controls, as form descriptions name them.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/rtl/Events.h"

// An RGB value (0x00BBGGRR) or, with the high bit set, one of the system's colours.
using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | index);
}
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clInfoBk = SystemColor(24);

// The names a form description may use for colours.
const TIntegerIdents& ColorIdents();

constexpr int DEFAULT_CHARSET = 1;
// The names a form description may use for character sets.
const TIntegerIdents& CharsetIdents();

VOKA_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;

// Height below zero is the character height in pixels, above zero the cell height.
class TFont : public TPersistent {
    VOKA_CLASS(TFont, TPersistent)
public:
    TFont() = default;

    AnsiString GetName() const { return name_; }
    void SetName(const AnsiString& value);
    int GetHeight() const { return height_; }
    void SetHeight(int value);
    // Points at PixelsPerInch; setting it sets Height.
    int GetSize() const;
    void SetSize(int value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    int GetCharset() const { return charset_; }
    void SetCharset(int value);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles value);
    int GetPixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }

    void Assign(TPersistent* source) override;
    bool SameAs(const TFont& other) const;

    TNotifyEvent OnChange;

private:
    void Changed();

    AnsiString name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    int charset_ = DEFAULT_CHARSET;
    TFontStyles style_;
    int pixelsPerInch_ = 96;
};

// A picture taken from a module resource by name (the program's own images); any format
// the toolkit reads (JPEG, PNG, ICO, ...).
class TGraphicResource : public TPersistent {
    VOKA_CLASS(TGraphicResource, TPersistent)
public:
    AnsiString GetResource() const { return resource_; }
    // Raises Exception "Resource %s not found" when the program carries no such resource.
    void SetResource(const AnsiString& name);
    // Raw image bytes; an empty span clears the picture.
    void LoadFromData(std::span<const uint8_t> bytes);
    std::span<const uint8_t> Data() const { return data_; }
    bool Empty() const { return data_.empty(); }

    TNotifyEvent OnChange;

private:
    AnsiString resource_;
    std::vector<uint8_t> data_;
};

class TPicture : public TGraphicResource {
    VOKA_CLASS(TPicture, TGraphicResource)
};

class TIcon : public TGraphicResource {
    VOKA_CLASS(TIcon, TGraphicResource)
};
