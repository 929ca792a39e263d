#ifndef CUSTOM_CHECK_BOX_H
#define CUSTOM_CHECK_BOX_H

#include <QCheckBox>

class QWidget;

namespace Ui {

// Tri-state check box whose clicks only ever check or uncheck it: the
// partial state is set by the program alone (the "all channels" box shows it
// while some, but not all, channels are measured).  GUI thread only.
class CustomCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit CustomCheckBox(QWidget* parent = nullptr);

protected:
    void nextCheckState() override;
};

} // namespace Ui

#endif // CUSTOM_CHECK_BOX_H
