#ifndef MDX11_CONTROLS_H
#define MDX11_CONTROLS_H

#include <array>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSpacerItem;
class QWidget;

namespace Ui {

// The 32 channel rows of the 11-series driver.  Each array is indexed by
// channel number (1..32; element 0 stays null).  The rows are created in a
// fixed order that is not the numeric one (see creationOrder): searches by
// object name return controls in that order.  GUI thread only; the widgets
// belong to the host.
class Mdx11Controls {
public:
    static constexpr int channelCount = 32;
    static const std::array<int, channelCount> creationOrder;

    QGridLayout* gridLayout = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;
    std::array<QCheckBox*, channelCount + 1> checkBoxCh{};
    std::array<QComboBox*, channelCount + 1> comboBoxRangeCh{};
    std::array<QComboBox*, channelCount + 1> comboBoxVoltageTypeCh{};
    std::array<QLineEdit*, channelCount + 1> lineEditVoltageCh{};
    std::array<QLabel*, channelCount + 1> labelVoltageUnitCh{};
    std::array<QLineEdit*, channelCount + 1> lineEditFrequencyCh{};
    std::array<QLabel*, channelCount + 1> labelFrequencyUnitCh{};

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

} // namespace Ui

#endif // MDX11_CONTROLS_H
