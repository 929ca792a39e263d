#ifndef MDX11_SETTINGS_H
#define MDX11_SETTINGS_H

class QComboBox;
class QGridLayout;
class QLabel;
class QSpacerItem;
class QWidget;

namespace Ui {

// Module-wide selections of the 11-series driver: mode, ADC frequency,
// common range and voltage type, and the place of the "all channels" box.
// Built into a host widget; GUI thread only.  The widgets belong to the host.
class Mdx11Settings {
public:
    QGridLayout* gridLayoutSettings = nullptr;
    QWidget* widgetCustomCheckBox = nullptr;
    QLabel* labelFrequency = nullptr;
    QComboBox* comboBoxFrequency = nullptr;
    QLabel* labelRange = nullptr;
    QComboBox* comboBoxRange = nullptr;
    QLabel* labelMode = nullptr;
    QComboBox* comboBoxMode = nullptr;
    QLabel* labelVoltageType = nullptr;
    QComboBox* comboBoxVoltageType = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

} // namespace Ui

#endif // MDX11_SETTINGS_H
