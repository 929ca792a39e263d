#ifndef TREND_WINDOW_H
#define TREND_WINDOW_H

#include <QTimer>
#include <QWidget>
#include <array>

class QComboBox;
class QHideEvent;
class QPushButton;
class QSettings;
class QShowEvent;
class QTableWidget;
class QwtPlot;
class TrendCurve;
class TrendHistory;

// The trend chart: the readings of every measured channel in mV against
// wall-clock time over the last 1, 10 or 60 minutes, with the latest value,
// minimum, maximum and mean of each channel over that span beside it (taken
// from the channel's current configuration segment only, which the row names
// AC or DC), and a button that clears the history.
//
// The first time it is shown it places itself beside its parent's window,
// or over that window's right half on a narrow screen (TrendWindowPlacement);
// after that it stays where the operator puts it.
//
// It only views a TrendHistory that lives on when the window is closed; the
// span is kept in the settings, group "Recording", key "TrendSpanMin".  While
// shown it redraws every `redrawPeriodMs`, never more often, with each line
// decimated to the minimum and maximum per pixel column.
//
// Use (GUI thread; `history` and `settings` must outlive the window):
//     auto* trend = new TrendWindow(history, settings, mainWindow);
//     trend->show(); trend->raise(); trend->activateWindow();
// With a parent it is a window of its own (not modal) that closes by hiding
// and is deleted with the parent.
//
// Threads: GUI thread only.
class TrendWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int redrawPeriodMs = 500;
    static constexpr int defaultSpanMinutes = 10;

    TrendWindow(TrendHistory* history, QSettings* settings, QWidget* parent = nullptr);

    // The stored span in minutes: 1, 10 or 60; anything else gives 10.
    static int storedSpanMinutes(QSettings* settings);
    int spanMinutes() const;

    void setVisible(bool visible) override;

public slots:
    // Draws the chart and the statistics table from the history now.  The
    // window's timer calls it; it is public for a caller that cannot wait.
    void redraw();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void placeBeside(QWidget* mainWindow);
    void chooseSpan(int index);
    void updateTable(const QVector<int>& shown, qint64 fromMs);

    TrendHistory* history;
    QSettings* settings;
    QwtPlot* plot;
    QComboBox* spanBox;
    QTableWidget* table;
    QPushButton* resetButton;
    std::array<TrendCurve*, 32> curves{};
    QTimer redrawTimer;
    bool placed = false;
};

#endif // TREND_WINDOW_H
