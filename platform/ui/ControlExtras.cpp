#include "platform/ui/ControlExtras.h"

VOKA_PUBLISH(TSizeConstraints, p) {
    p.Integer("MaxHeight", &TSizeConstraints::MaxHeight).Default(0);
    p.Integer("MaxWidth", &TSizeConstraints::MaxWidth).Default(0);
    p.Integer("MinHeight", &TSizeConstraints::MinHeight).Default(0);
    p.Integer("MinWidth", &TSizeConstraints::MinWidth).Default(0);
}

const TIntegerIdents& CursorIdents() {
    static const TIntegerIdents idents = {
        {"crDefault", 0},     {"crNone", -1},     {"crArrow", -2},      {"crCross", -3},
        {"crIBeam", -4},      {"crSizeNESW", -6}, {"crSizeNS", -7},     {"crSizeNWSE", -8},
        {"crSizeWE", -9},     {"crUpArrow", -10}, {"crHourGlass", -11}, {"crDrag", crDrag},
        {"crNoDrop", -13},    {"crHSplit", -14},  {"crVSplit", -15},    {"crMultiDrag", -16},
        {"crSQLWait", -17},   {"crNo", -18},      {"crAppStart", -19},  {"crHelp", -20},
        {"crHandPoint", -21}, {"crSizeAll", -22},
    };
    return idents;
}
