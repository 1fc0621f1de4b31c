#include "app/about_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ui_texts.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(ui::kAboutCaption));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* product = new QLabel(
        QStringLiteral("%1 %2").arg(QString::fromUtf8(ui::kAboutProduct), QStringLiteral(TESMORA_VERSION)),
        this);
    product->setObjectName(QStringLiteral("aboutProduct"));
    auto* purpose = new QLabel(QString::fromUtf8(ui::kAboutPurpose), this);
    auto* copyright = new QLabel(QString::fromUtf8(ui::kAboutCopyright), this);
    copyright->setObjectName(QStringLiteral("aboutCopyright"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(purpose);
    texts->addWidget(copyright);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
