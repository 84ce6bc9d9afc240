#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

namespace larkspin {

class TEncoderHost;

// The settings window's encoder plug-in list: file name and encode type per plug-in, and the
// information lines of the selected one. Selecting a row loads that plug-in; "Settings..." opens its own
// settings. A click on the mail line writes a mail to it, one on the web line opens it, unless it reads
// "---".
class TEncoderSettingsPanel : public QWidget {
    Q_OBJECT
public:
    explicit TEncoderSettingsPanel(TEncoderHost& host, QWidget* parent = nullptr);

    // Shows the host's list again (after Enumerate).
    void Refresh();
    QTreeWidget* EncoderList() const { return list_; }
    QLabel* InfoLabel() const { return info_; }
    QLabel* DeveloperLabel() const { return developer_; }
    QLabel* MailLabel() const { return mail_; }
    QLabel* WebLabel() const { return web_; }
    QLabel* DateLabel() const { return date_; }

private:
    void SelectRow(int row);

    TEncoderHost& host_;
    QTreeWidget* list_;
    QLabel* info_;
    QLabel* developer_;
    QLabel* mail_;
    QLabel* web_;
    QLabel* date_;
};

} // namespace larkspin
