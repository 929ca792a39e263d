#include "custom_check_box.h"

#include <QVariant>
#include <QWidget>

namespace Ui {

CustomCheckBox::CustomCheckBox(QWidget* parent) : QCheckBox(parent) {
    setProperty("tristate", true);
}

void CustomCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

} // namespace Ui
