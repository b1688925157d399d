#pragma once
// Control properties and events that form descriptions carry. Those that do nothing on
// Linux (input method, 3-D look, reading order, dragging and docking, owner drawing,
// anchoring, size constraints, the context menu) are only kept, so a description loads and
// writes back unchanged; the focus, double-click and key events fire (FeedControlExtras).
#include <cstdint>
#include <memory>

#include "platform/classes/Component.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/Events.h"
#include "platform/win32/WinTypes.h"

class TWinControl;
class TDragObject;
class TDragDockObject;

VOKA_ENUM(TImeMode, imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata,
          imKata, imChinese, imSHanguel, imHanguel)
VOKA_ENUM(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly)
VOKA_ENUM(TDragKind, dkDrag, dkDock)
VOKA_ENUM(TDragMode, dmManual, dmAutomatic)
VOKA_ENUM(TDragState, dsDragEnter, dsDragLeave, dsDragMove)
VOKA_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
using TAnchors = TSet<TAnchorKind>;
VOKA_ENUM(TShiftStateElement, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = TSet<TShiftStateElement>;
VOKA_ENUM(TOwnerDrawStateElement, odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault,
          odHotLight, odInactive, odNoAccel, odNoFocusRect, odReserved1, odReserved2,
          odComboBoxEdit)
using TOwnerDrawState = TSet<TOwnerDrawStateElement>;

using TKeyEvent = TEvent<TObject*, uint16_t&, TShiftState>;
using TDragDropEvent = TEvent<TObject*, TObject*, int, int>;
using TDragOverEvent = TEvent<TObject*, TObject*, int, int, TDragState, bool&>;
using TEndDragEvent = TEvent<TObject*, TObject*, int, int>;
using TStartDragEvent = TEvent<TObject*, TDragObject*&>;
using TStartDockEvent = TEvent<TObject*, TDragDockObject*&>;
using TDrawItemEvent = TEvent<TWinControl*, int, RECT, TOwnerDrawState>;
using TMeasureItemEvent = TEvent<TWinControl*, int, int&>;
using TContextPopupEvent = TEvent<TObject*, POINT, bool&>;

// The cursor names a description may give DragCursor ("crDrag").
const TIntegerIdents& CursorIdents();
constexpr int crDrag = -12;

class TSizeConstraints : public TPersistent {
    VOKA_CLASS(TSizeConstraints, TPersistent)
public:
    int MaxHeight = 0;
    int MaxWidth = 0;
    int MinHeight = 0;
    int MinWidth = 0;
};

struct TControlExtras {
    TComponent* PopupMenu = nullptr; // kept as a plain reference: there are no popup menus
    TImeMode ImeMode = imDontCare;
    AnsiString ImeName;
    bool Ctl3D = true;
    bool ParentCtl3D = true;
    TAnchors Anchors{akLeft, akTop};
    std::unique_ptr<TSizeConstraints> Constraints = std::make_unique<TSizeConstraints>();
    TBiDiMode BiDiMode = bdLeftToRight;
    bool ParentBiDiMode = true;
    int DragCursor = crDrag;
    TDragKind DragKind = dkDrag;
    TDragMode DragMode = dmManual;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TEvent<TObject*, char&> OnKeyPress;
    TKeyEvent OnKeyUp;
    TEndDragEvent OnEndDock;
    TStartDockEvent OnStartDock;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TDrawItemEvent OnDrawItem;
    TEndDragEvent OnEndDrag;
    TMeasureItemEvent OnMeasureItem;
    TStartDragEvent OnStartDrag;
    TContextPopupEvent OnContextPopup;
};

// Fires extras' OnEnter, OnExit, OnDblClick, OnKeyDown and OnKeyUp (Windows virtual-key
// codes) and OnKeyPress (the typed character) from control's widget; a handler that sets
// the key or the character to 0 swallows it. StopControlExtras ends it before extras goes.
void FeedControlExtras(TWinControl& control, TControlExtras& extras);
void StopControlExtras(TWinControl& control);

// Publishes every member of the TControlExtras that control.Extras() returns.
template <class C> void PublishControlExtras(TPublisher<C>& p) {
#define VOKA_EXTRA(field)                                                                          \
    [](C& self) { return self.Extras().field; },                                                   \
        [](C& self, decltype(TControlExtras::field) value) { self.Extras().field = value; }
    p.Component("PopupMenu", VOKA_EXTRA(PopupMenu));
    p.Event("OnDblClick", VOKA_EXTRA(OnDblClick));
    p.Event("OnEnter", VOKA_EXTRA(OnEnter));
    p.Event("OnExit", VOKA_EXTRA(OnExit));
    p.Event("OnKeyDown", VOKA_EXTRA(OnKeyDown));
    p.Event("OnKeyPress", VOKA_EXTRA(OnKeyPress));
    p.Event("OnKeyUp", VOKA_EXTRA(OnKeyUp));
    p.Enum("ImeMode", VOKA_EXTRA(ImeMode)).Default(imDontCare);
    p.String("ImeName", VOKA_EXTRA(ImeName));
    p.Bool("Ctl3D", VOKA_EXTRA(Ctl3D)).Default(true);
    p.Bool("ParentCtl3D", VOKA_EXTRA(ParentCtl3D)).Default(true);
    p.Set("Anchors", VOKA_EXTRA(Anchors)).Default(TAnchors{akLeft, akTop});
    p.Object("Constraints", [](C& self) { return self.Extras().Constraints.get(); });
    p.Enum("BiDiMode", VOKA_EXTRA(BiDiMode)).Default(bdLeftToRight);
    p.Bool("ParentBiDiMode", VOKA_EXTRA(ParentBiDiMode)).Default(true);
    p.Integer("DragCursor", VOKA_EXTRA(DragCursor)).Default(crDrag).Idents(CursorIdents());
    p.Enum("DragKind", VOKA_EXTRA(DragKind)).Default(dkDrag);
    p.Event("OnEndDock", VOKA_EXTRA(OnEndDock));
    p.Event("OnStartDock", VOKA_EXTRA(OnStartDock));
    p.Enum("DragMode", VOKA_EXTRA(DragMode)).Default(dmManual);
    p.Event("OnDragDrop", VOKA_EXTRA(OnDragDrop));
    p.Event("OnDragOver", VOKA_EXTRA(OnDragOver));
    p.Event("OnDrawItem", VOKA_EXTRA(OnDrawItem));
    p.Event("OnEndDrag", VOKA_EXTRA(OnEndDrag));
    p.Event("OnMeasureItem", VOKA_EXTRA(OnMeasureItem));
    p.Event("OnStartDrag", VOKA_EXTRA(OnStartDrag));
    p.Event("OnContextPopup", VOKA_EXTRA(OnContextPopup));
#undef VOKA_EXTRA
}
