#ifndef OPTIONS_H
#define OPTIONS_H

#include <QDialog>

#include "remote_settings.h"

class QShowEvent;
class QWidget;

namespace Ui {
class Options;
}

// The options dialog: edits the display period (milliseconds) and the SCPI
// server's settings, and hosts the module driver's options form in
// widgetModuleOptions.  Created once by the main window and reused for every
// showing.  GUI thread only.
class Options : public QDialog {
    Q_OBJECT

public:
    explicit Options(QWidget* parent = nullptr);
    ~Options() override;

    // Display period in ms; the value is clamped to the spin box's range.
    void setDisplayUpdateMs(int ms);
    int displayUpdateMs() const;
    void setDisplayUpdateRange(int minimumMs, int maximumMs);
    void setModuleOptionsEnabled(bool enabled);
    QWidget* moduleOptionsWidget() const;
    // The group "Удалённое управление": on/off, port and listen address.
    void setRemoteSettings(const RemoteSettings& settings);
    RemoteSettings remoteSettings() const;

protected:
    // The first showing fixes the dialog's size.
    void showEvent(QShowEvent* event) override;

private:
    Ui::Options* ui;
    bool firstShow = true;
};

#endif // OPTIONS_H
