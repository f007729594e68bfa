// The preset group's "Set"/"Call" choice: a row of two radio buttons of which at most one is
// checked.
#pragma once

#include <QButtonGroup>
#include <QRadioButton>
#include <QWidget>
#include <string>

#include "ui/logic/control_views.h"

namespace ptz {

class RadioMatrix : public QWidget, public RadioMatrixView {
    Q_OBJECT

  public:
    static constexpr int kColumns = 2;

    explicit RadioMatrix(QWidget* parent = nullptr);

    // RadioMatrixView.
    void setCellTitle(int column, const std::string& title) override;
    void selectCellAtColumn(int column) override;
    int selectedColumn() const override;
    void setEnabled(bool enabled) override { QWidget::setEnabled(enabled); }
    void setHidden(bool hidden) override { QWidget::setHidden(hidden); }

    QRadioButton* cell(int column) const;
    QButtonGroup* group() { return &group_; }

  private:
    QButtonGroup group_;
};

}  // namespace ptz
