#pragma once
// Visual controls: a place inside a parent control, visibility, enabling, hints, font,
// colour, click; window controls add child controls, the tab order and a window handle.
// The toolkit's widget hides behind TControlImpl (see WidgetBridge.h), so code above this
// layer builds without the toolkit's headers.
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Publisher.h"
#include "platform/classes/WindowProc.h"
#include "platform/rtl/Events.h"
#include "platform/ui/Graphics.h"
#include "platform/win32/WinTypes.h"

struct TControlImpl;
class TWinControl;

class TControl : public TComponent {
    VOKA_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* GetParent() const { return parent_; }
    virtual void SetParent(TWinControl* value);

    int GetLeft() const { return left_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    int GetTop() const { return top_; }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    int GetWidth() const { return width_; }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    int GetHeight() const { return height_; }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);

    bool GetVisible() const { return visible_; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents.
    bool Showing() const;
    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

    // "short|long": the tool tip shows the short part.
    AnsiString GetHint() const { return hint_; }
    void SetHint(const AnsiString& value);
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    // Whether the tool tip is shown: ShowHint, or ParentShowHint with a parent that shows its.
    bool ShowsHint() const;

    TFont* GetFont() const { return font_.get(); }
    // Setting Font (or any of its parts) ends ParentFont.
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    // The control's text: Caption of buttons, labels and forms, Text of edits.
    virtual AnsiString GetText() const { return text_; }
    virtual void SetText(const AnsiString& value);

    TNotifyEvent GetOnClick() const { return onClick_; }
    void SetOnClick(TNotifyEvent value) { onClick_ = value; }
    // Runs OnClick.
    virtual void Click();
    // A message a window hands to its controls (a broadcast); controls that handle one
    // override this and pass on what they do not handle. Nothing by default.
    virtual void Dispatch(TMessage& Message);

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    void Loaded() override;

    // The toolkit side; for the window layer and its tests.
    TControlImpl& Impl() const { return *impl_; }

protected:
    // A subclass calls this once it has put its widget into Impl(): the widget takes on
    // the control's state.
    void WidgetAttached();
    // Toolkit updates; the widget exists for every control made by this layer.
    virtual void ApplyBounds();
    virtual void ApplyVisible();
    virtual void ApplyFont();
    virtual void ApplyColor() {}
    virtual void TextChanged();
    // Called on a control whose parent's font or hint setting changed.
    virtual void ParentFontChanged();
    virtual void ParentShowHintChanged();
    void ApplyHint();
    bool IsLoading() const { return ComponentState().Contains(csLoading); }
    bool IsDestroying() const { return ComponentState().Contains(csDestroying); }

    AnsiString text_;

private:
    friend class TWinControl;
    void FontPartChanged(TObject* sender);

    std::unique_ptr<TControlImpl> impl_;
    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    AnsiString hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TNotifyEvent onClick_;
};

class TWinControl : public TControl {
    VOKA_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* AOwner);
    // Child controls that outlive this one lose their parent.
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;

    // The position among the parent's window controls in the keyboard's tab order; -1
    // without a parent. Setting it moves the control there (clamped) and shifts the others.
    int GetTabOrder() const;
    void SetTabOrder(int value);
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    // The parent's window controls in tab order.
    std::vector<TWinControl*> TabList() const { return tabList_; }

    // Identifies the control to window functions (message box owners, foreground window).
    HWND GetHandle() const;
    void SetFocus();
    bool Focused() const;

    void SetParent(TWinControl* value) override;
    // Hands the message to each child control in turn until one sets its Result.
    void Broadcast(TMessage& Message);
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

    void Loaded() override;

protected:
    void ApplyFont() override;
    void ParentShowHintChanged() override;
    void ApplyColor() override;

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void ApplyTabOrder();

    std::vector<TControl*> controls_;   // not owned
    std::vector<TWinControl*> tabList_; // not owned
    int pendingTabOrder_ = -1;          // set before the control had a parent, or while reading
    bool tabStop_ = false;
};

// The window control a handle stands for; nullptr for anything else.
TWinControl* FindControl(HWND handle);
