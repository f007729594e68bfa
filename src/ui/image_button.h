// A key that shows an image from the resources: borderless or bordered, the image fitted
// (never enlarged) or stretched, with its own hover and pressed shading.
#pragma once

#include <QIcon>
#include <QPushButton>
#include <optional>
#include <string>

#include "ui/logic/control_views.h"

namespace ptz {

class ImageButton : public QPushButton, public ButtonView {
    Q_OBJECT

  public:
    explicit ImageButton(QWidget* parent = nullptr);

    // ButtonView.
    void setImage(const std::string& resourceName) override;
    void setBordered(bool bordered) override;
    void setImageScaling(ImageScaling scaling) override;
    void setEnabled(bool enabled) override { QPushButton::setEnabled(enabled); }
    void setHidden(bool hidden) override { QPushButton::setHidden(hidden); }

    // The resource name last set, e.g. "autofocus_off.png".
    const std::string& imageName() const { return imageName_; }
    bool isBordered() const { return !isFlat(); }
    ImageScaling imageScaling() const { return imageScaling_; }
    // Whether the named image was found among the resources.
    bool hasImage() const { return !image().isNull(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The named image, read from the resources on first use.
    const QIcon& image() const;

    std::string imageName_;
    mutable std::optional<QIcon> image_;
    ImageScaling imageScaling_ = ImageScaling::ProportionallyDown;
};

}  // namespace ptz
