#include "app/DeviceListDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/QtShell.h"
#include "session/HelpFile.h"

namespace tambrel {

int ChooseFromDeviceList(QWidget* parent, std::string_view text, const std::vector<std::string>& entries) {
    QDialog dlg(parent);
    dlg.setObjectName("InpDevNmFrm");
    SetHelpTopic(&dlg, kTopicDeviceList);
    dlg.setWindowTitle("Input devices found:");
    dlg.setAccessibleName(dlg.windowTitle());
    auto* layout = new QVBoxLayout(&dlg);
    auto* message = new QLabel(FromCore(text), &dlg);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAccessibleName(message->text());
    auto* list = new QListWidget(&dlg);
    list->setAccessibleName("Input devices");
    for (const std::string& e : entries) list->addItem(FromCore(e));
    if (list->count() > 0) list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dlg, &QDialog::accept);
    layout->addWidget(message);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
    dlg.resize(420, 300);
    if (dlg.exec() != QDialog::Accepted) return 0;
    return list->currentRow() + 1;
}

} // namespace tambrel
