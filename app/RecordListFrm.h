#pragma once
// The recording-list dialog: the Orchestra's keystroke recordings, the
// key-stroke count of the chosen one, and Add, Rename, Delete and Close.
// Every button is one recorder command; the dialog only shows the list the
// recorder gives. User-interface thread.

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <array>

namespace tambrel {

class KeystrokeRecorder;

class RecordListFrm : public QDialog {
    Q_OBJECT
public:
    RecordListFrm(KeystrokeRecorder& recorder, QWidget* parent = nullptr);

    // Refills the list from the recorder (UpdateList).
    void UpdateList();

    QListWidget* list = nullptr;
    QLabel* keyStrokesLbl = nullptr;
    // Add, Rename, Delete, Close.
    std::array<QPushButton*, 4> buttons{};

private:
    void ShowCount(int count);

    KeystrokeRecorder& recorder_;
};

} // namespace tambrel
