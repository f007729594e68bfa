// A speed control: a slider over the camera's speed range. `speedChosen` tells the user's
// moves only, never the program's own setSpeed.
#pragma once

#include <QScopedValueRollback>
#include <QSlider>

#include "ui/logic/control_views.h"

namespace ptz {

class SpeedSlider final : public QSlider, public SpeedView {
    Q_OBJECT

  public:
    explicit SpeedSlider(QWidget* parent = nullptr) : QSlider(Qt::Horizontal, parent) {
        setMinimumWidth(160);
        connect(this, &QSlider::valueChanged, this, [this](int value) {
            if (!settingSpeed_) {
                emit speedChosen(value);
            }
        });
    }

    void setSpeedRange(SpeedRange range) override {
        const QScopedValueRollback guard(settingSpeed_, true);
        setRange(range.minimum, range.maximum);
    }
    void setSpeed(uint8_t speed) override {
        const QScopedValueRollback guard(settingSpeed_, true);
        setValue(speed);
    }

  signals:
    void speedChosen(int speed);

  private:
    bool settingSpeed_ = false;
};

}  // namespace ptz
