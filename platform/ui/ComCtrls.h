#pragma once
// Progress bars and pictures.
#include "platform/ui/Controls.h"

class TProgressBar : public TWinControl {
    VOKA_CLASS(TProgressBar, TWinControl)
public:
    explicit TProgressBar(TComponent* AOwner);

    int GetMin() const { return min_; }
    void SetMin(int value);
    int GetMax() const { return max_; }
    void SetMax(int value);
    // Kept inside Min..Max.
    int GetPosition() const { return position_; }
    void SetPosition(int value);
    int GetStep() const { return step_; }
    void SetStep(int value) { step_ = value; }
    void StepIt() { SetPosition(position_ + step_); }
    void StepBy(int delta) { SetPosition(position_ + delta); }

private:
    void ApplyRange();

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
};

// A picture drawn at the top left of the control (Center and Stretch change that);
// Transparent lets the parent show where the picture has no opaque pixels.
class TImage : public TControl {
    VOKA_CLASS(TImage, TControl)
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* GetPicture() const { return picture_.get(); }
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);

    // Size of the picture read, 0 x 0 without one (or when its data is no image).
    int PictureWidth() const;
    int PictureHeight() const;

private:
    void PictureChanged(TObject* sender);
    void ApplyPicture();

    std::unique_ptr<TPicture> picture_;
    bool transparent_ = false;
    bool center_ = false;
    bool stretch_ = false;
};
