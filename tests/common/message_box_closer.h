#ifndef MESSAGE_BOX_CLOSER_H
#define MESSAGE_BOX_CLOSER_H

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Accepts every modal message box as it appears and notes it as
// "title|text", so a test can count and read the boxes a window shows
// without a person to close them.  GUI thread; polls every 20 ms while it
// lives.
class MessageBoxCloser {
public:
    MessageBoxCloser() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        timer.start(20);
    }

    QStringList boxes; // in the order shown

private:
    QTimer timer;
};

#endif // MESSAGE_BOX_CLOSER_H
