#ifndef MDX11_OPTIONS_H
#define MDX11_OPTIONS_H

class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QSpinBox;
class QWidget;

namespace Ui {

// Decimals of the readings per range, shown in the options dialog.
// GUI thread only; the widgets belong to the host.
class Mdx11Options {
public:
    QGridLayout* gridLayout = nullptr;
    QGroupBox* groupBoxAccuracy = nullptr;
    QGridLayout* gridLayoutAccuracy = nullptr;
    QLabel* labelRange = nullptr;
    QComboBox* comboBoxRangeOptions = nullptr;
    QLabel* labelAccuracyAC = nullptr;
    QSpinBox* spinBoxAccuracyAC = nullptr;
    QLabel* labelAccuracyDC = nullptr;
    QSpinBox* spinBoxAccuracyDC = nullptr;
    QFrame* line = nullptr;
    QLabel* labelAccuracyFreq = nullptr;
    QSpinBox* spinBoxAccuracyFreq = nullptr;
    QLabel* labelAccuracyError = nullptr;
    QSpinBox* spinBoxAccuracyError = nullptr;

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

} // namespace Ui

#endif // MDX11_OPTIONS_H
