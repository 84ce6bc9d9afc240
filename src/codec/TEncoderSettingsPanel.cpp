#include "TEncoderSettingsPanel.h"

#include "TEncoderHost.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace larkspin {

namespace {

// A link unless the plug-in has nothing to say.
QString linkText(const std::string& text, const QString& scheme) {
    const QString t = QString::fromStdString(text);
    if (t.isEmpty() || t == QStringLiteral("---"))
        return t.toHtmlEscaped();
    return QStringLiteral("<a href=\"%1%2\">%3</a>").arg(scheme, t.toHtmlEscaped(), t.toHtmlEscaped());
}

} // namespace

TEncoderSettingsPanel::TEncoderSettingsPanel(TEncoderHost& host, QWidget* parent)
    : QWidget(parent), host_(host), list_(new QTreeWidget(this)), info_(new QLabel(this)),
      developer_(new QLabel(this)), mail_(new QLabel(this)), web_(new QLabel(this)), date_(new QLabel(this)) {
    list_->setHeaderLabels({QStringLiteral("Plug-in"), QStringLiteral("Type")});
    list_->setRootIsDecorated(false);
    for (QLabel* link : {mail_, web_}) {
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
    }
    auto* settingsButton = new QPushButton(QStringLiteral("Settings..."), this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Info:"), info_);
    form->addRow(QStringLiteral("Developer:"), developer_);
    form->addRow(QStringLiteral("Mail:"), mail_);
    form->addRow(QStringLiteral("Web:"), web_);
    form->addRow(QStringLiteral("Date:"), date_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(form);
    layout->addWidget(settingsButton, 0, Qt::AlignRight);

    connect(list_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { SelectRow(item ? list_->indexOfTopLevelItem(item) : -1); });
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && row < static_cast<int>(host_.EncoderList().size()))
            host_.EncoderList()[size_t(row)].ticked = item->checkState(0) == Qt::Checked;
    });
    connect(settingsButton, &QPushButton::clicked, this, [this] {
        if (list_->currentItem())
            host_.ShowSettingsOf(list_->indexOfTopLevelItem(list_->currentItem()));
    });
    Refresh();
}

void TEncoderSettingsPanel::Refresh() {
    const QSignalBlocker block(list_);
    list_->clear();
    for (const EncoderRow& row : host_.EncoderList()) {
        auto* item = new QTreeWidgetItem(
            list_, {QString::fromStdString(row.fileName), QString::fromStdString(row.encodeType)});
        item->setCheckState(0, row.ticked ? Qt::Checked : Qt::Unchecked);
    }
    if (host_.SelectedRow() >= 0 && host_.SelectedRow() < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(host_.SelectedRow()));
}

void TEncoderSettingsPanel::SelectRow(int row) {
    if (row < 0 || !host_.UsePlugIn(row))
        return;
    const EncoderInfo& info = host_.Info();
    info_->setText(QString::fromStdString(info.info));
    developer_->setText(QString::fromStdString(info.developer));
    mail_->setText(linkText(info.mail, QStringLiteral("mailto:")));
    web_->setText(linkText(info.web, QString()));
    date_->setText(QString::fromStdString(info.date));
}

} // namespace larkspin
