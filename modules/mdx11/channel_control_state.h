#ifndef CHANNEL_CONTROL_STATE_H
#define CHANNEL_CONTROL_STATE_H

// Mirror of one channel row of the controls form.  The controls are the
// authority; the mirror is written in the GUI thread at the moment a control
// changes and read by the acquisition configuration from any thread, so
// configuration never reads a widget from outside the GUI thread nor waits
// for that thread.
struct ChannelControlState {
    int number = 0;       // channel number 1..32
    bool checked = false; // its check box
    int rangeIndex = 0;   // current index of its range combo box
    int rangeCode = 0;    // 0 "10 В" .. 3 "0.15 В", -1 when the combo shows none of them
    bool dc = false;      // its voltage-type combo shows "DC"
};

#endif // CHANNEL_CONTROL_STATE_H
