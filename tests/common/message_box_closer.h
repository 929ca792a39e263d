#ifndef MESSAGE_BOX_CLOSER_H
#define MESSAGE_BOX_CLOSER_H

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// While it lives, accepts every message box that becomes the modal widget
// and notes it as "title|text" in `shown`.  GUI thread; it looks every 20 ms.
class MessageBoxCloser {
public:
    MessageBoxCloser() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        timer.start(20);
    }

    QStringList shown;

private:
    QTimer timer;
};

#endif // MESSAGE_BOX_CLOSER_H
