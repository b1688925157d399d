#include "platform/ui/Graphics.h"

#include <cmath>

#include "platform/classes/Resources.h"

const TIntegerIdents& ColorIdents() {
    static const TIntegerIdents idents = {
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clNavy", clNavy},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clLime", clLime},
        {"clBlue", clBlue},
        {"clWhite", clWhite},
        {"clNone", clNone},
        {"clWindow", clWindow},
        {"clWindowText", clWindowText},
        {"clBtnFace", clBtnFace},
        {"clBtnText", clBtnText},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clGrayText", clGrayText},
        {"clInfoBk", clInfoBk},
    };
    return idents;
}

const TIntegerIdents& CharsetIdents() {
    static const TIntegerIdents idents = {
        {"ANSI_CHARSET", 0},  {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},
        {"OEM_CHARSET", 255}, {"EASTEUROPE_CHARSET", 238}, {"RUSSIAN_CHARSET", 204},
    };
    return idents;
}

VOKA_PUBLISH(TFont, p) {
    p.Integer("Charset", &TFont::GetCharset, &TFont::SetCharset).Idents(CharsetIdents());
    p.Integer("Color", &TFont::GetColor, &TFont::SetColor).Idents(ColorIdents());
    p.Integer("Height", &TFont::GetHeight, &TFont::SetHeight);
    p.String("Name", &TFont::GetName, &TFont::SetName);
    p.Set("Style", &TFont::GetStyle, &TFont::SetStyle);
}

void TFont::SetName(const AnsiString& value) {
    if (value == name_ || value.empty())
        return;
    name_ = value;
    Changed();
}

void TFont::SetHeight(int value) {
    if (value == height_)
        return;
    height_ = value;
    Changed();
}

int TFont::GetSize() const {
    return static_cast<int>(std::lround(-height_ * 72.0 / pixelsPerInch_));
}

void TFont::SetSize(int value) {
    SetHeight(-static_cast<int>(std::lround(value * pixelsPerInch_ / 72.0)));
}

void TFont::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    Changed();
}

void TFont::SetCharset(int value) {
    if (value == charset_)
        return;
    charset_ = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value) {
    if (value == style_)
        return;
    style_ = value;
    Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
           charset_ == other.charset_ && style_ == other.style_;
}

void TFont::Assign(TPersistent* source) {
    auto* font = dynamic_cast<TFont*>(source);
    if (!font) {
        inherited::Assign(source);
        return;
    }
    if (SameAs(*font))
        return;
    name_ = font->name_;
    height_ = font->height_;
    color_ = font->color_;
    charset_ = font->charset_;
    style_ = font->style_;
    Changed();
}

void TFont::Changed() {
    if (OnChange)
        OnChange(this);
}

VOKA_PUBLISH(TGraphicResource, p) {
    p.String("Resource", &TGraphicResource::GetResource, &TGraphicResource::SetResource);
}

void TGraphicResource::SetResource(const AnsiString& name) {
    if (name.empty()) {
        resource_.clear();
        LoadFromData({});
        return;
    }
    auto bytes = FindModuleResource(name);
    if (bytes.empty())
        throw Exception(Format("Resource %s not found", name));
    resource_ = name;
    LoadFromData(bytes);
}

void TGraphicResource::LoadFromData(std::span<const uint8_t> bytes) {
    data_.assign(bytes.begin(), bytes.end());
    if (OnChange)
        OnChange(this);
}

VOKA_PUBLISH(TPicture, p) {}
VOKA_PUBLISH(TIcon, p) {}
