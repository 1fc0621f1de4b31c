#include "app/message_box_reporter.h"

#include <QMessageBox>
#include <QString>

#include "app/ui_texts.h"

void MessageBoxReporter::Report(const std::string& text, const std::string& caption) {
    // Without a caption of its own the box carries the application's title.
    const QString title =
        caption.empty() ? QString::fromUtf8(ui::kAppTitle) : QString::fromStdString(caption);
    QMessageBox box(QMessageBox::Critical, title, QString::fromStdString(text), QMessageBox::Ok,
                    m_pParent.data());
    box.exec();
}
