#include "ui/status_line.h"

#include <QHBoxLayout>

namespace ptz {
namespace {

// Room the camera button keeps beside its text for the menu's arrow.
constexpr int kMenuArrowRoom = 24;

}  // namespace

StatusLine::StatusLine(QWidget* parent)
    : QWidget(parent),
      cameraButton_(new QToolButton(this)),
      cameraMenu_(new QMenu(cameraButton_)),
      message_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setSpacing(8);

    cameraButton_->setObjectName(QStringLiteral("cameraPicker"));
    cameraButton_->setAutoRaise(true);
    cameraButton_->setPopupMode(QToolButton::InstantPopup);
    cameraButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    cameraButton_->setFocusPolicy(Qt::NoFocus);
    cameraButton_->setMaximumWidth(300);
    cameraButton_->setAccessibleName(tr("Camera"));
    cameraButton_->setMenu(cameraMenu_);
    layout->addWidget(cameraButton_);

    message_->setObjectName(QStringLiteral("statusMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->setFixedHeight(2 * message_->fontMetrics().lineSpacing());
    layout->addWidget(message_, 1);

    showCamera({});
}

void StatusLine::showCamera(const std::string& description) {
    const QString text =
        description.empty() ? tr("No camera") : QString::fromStdString(description);
    cameraButton_->setText(cameraButton_->fontMetrics().elidedText(
        text, Qt::ElideMiddle, cameraButton_->maximumWidth() - kMenuArrowRoom));
    cameraButton_->setToolTip(text + tr(": click to pick another camera"));
}

void StatusLine::showMessage(const std::string& message) {
    message_->setText(QString::fromStdString(message));
}

void StatusLine::addControl(QWidget* control) {
    layout()->addWidget(control);
}

}  // namespace ptz
