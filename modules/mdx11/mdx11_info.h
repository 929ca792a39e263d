#ifndef MDX11_INFO_H
#define MDX11_INFO_H

class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace Ui {

// Serial number and firmware version of the opened module.  GUI thread
// only; the widgets belong to the host.
class Mdx11Info {
public:
    QGridLayout* gridLayout = nullptr;
    QGroupBox* groupBoxInfo = nullptr;
    QGridLayout* gridLayoutInfo = nullptr;
    QLabel* labelModuleSerial = nullptr;
    QLineEdit* lineEditModuleSerial = nullptr;
    QLabel* labelModuleFirmware = nullptr;
    QLineEdit* lineEditModuleFirmware = nullptr;

    void setupUi(QWidget* form);
    void retranslateUi(QWidget* form);
};

} // namespace Ui

#endif // MDX11_INFO_H
