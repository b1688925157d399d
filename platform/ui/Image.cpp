#include <QLabel>
#include <QPixmap>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/WidgetBridge.h"

namespace {
QPixmap PixmapOf(const TPicture& picture) {
    QPixmap pixmap;
    auto data = picture.Data();
    if (!data.empty())
        pixmap.loadFromData(data.data(), static_cast<uint>(data.size()));
    return pixmap;
}
} // namespace

VOKA_PUBLISH(TImage, p) {
    p.Bool("Center", &TImage::GetCenter, &TImage::SetCenter).Default(false);
    p.Object("Picture", &TImage::GetPicture);
    p.Bool("Stretch", &TImage::GetStretch, &TImage::SetStretch).Default(false);
    p.Bool("Transparent", &TImage::GetTransparent, &TImage::SetTransparent).Default(false);
}

TImage::TImage(TComponent* AOwner) : TControl(AOwner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = TNotifyEvent::Bind<&TImage::PictureChanged>(this);
    auto* view = new QLabel;
    view->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    Impl().Widget = view;
    SetBounds(0, 0, 105, 105);
    WidgetAttached();
    SetTransparent(false);
    ApplyPicture();
}

TImage::~TImage() = default;

void TImage::PictureChanged(TObject*) {
    ApplyPicture();
}

void TImage::SetTransparent(bool value) {
    transparent_ = value;
    if (QWidget* widget = WidgetOf(this)) {
        // Opaque: the control paints its own background under the picture.
        widget->setAutoFillBackground(!value);
        widget->setAttribute(Qt::WA_TranslucentBackground, value);
    }
}

void TImage::SetCenter(bool value) {
    center_ = value;
    ApplyPicture();
}

void TImage::SetStretch(bool value) {
    stretch_ = value;
    ApplyPicture();
}

int TImage::PictureWidth() const {
    return PixmapOf(*picture_).width();
}

int TImage::PictureHeight() const {
    return PixmapOf(*picture_).height();
}

void TImage::ApplyPicture() {
    auto* view = WidgetAs<QLabel>(this);
    if (!view)
        return;
    view->setScaledContents(stretch_);
    view->setAlignment(center_ ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignTop));
    view->setPixmap(PixmapOf(*picture_));
}
