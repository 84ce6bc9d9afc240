// The CDDB match choice window offscreen: what each way of closing it answers.
#include "TMatchform.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace larkspin;

namespace {

// Runs answer on the match window once it is shown modally.
void whenShown(std::function<void(TMatchform*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* form = qobject_cast<TMatchform*>(QApplication::activeModalWidget());
        if (!form)
            return;
        timer->stop();
        timer->deleteLater();
        answer(form);
        if (form->isVisible())
            form->reject(); // a failed check must not leave the test waiting
    });
    timer->start();
}

} // namespace

class TestMatchform : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void showsLinesInOrderAsATitledToolWindow();
};

void TestMatchform::answers_data() {
    QTest::addColumn<int>("select"); // row to select first, -1 for none
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("expected");
    QTest::newRow("button with the second row") << 1 << "button" << 1;
    QTest::newRow("button without a selection") << -1 << "button" << -1;
    QTest::newRow("double-click on the third row") << 2 << "double-click" << 2;
    QTest::newRow("escape after selecting") << 1 << "escape" << -1;
    QTest::newRow("closed after selecting") << 0 << "close" << -1;
}

void TestMatchform::answers() {
    QFETCH(int, select);
    QFETCH(QString, how);
    QFETCH(int, expected);
    whenShown([select, how](TMatchform* form) {
        auto* list = form->findChild<QListWidget*>(QStringLiteral("LstMatches"));
        QVERIFY(list);
        list->clearSelection();
        if (select >= 0)
            list->setCurrentRow(select);
        QCOMPARE(form->selectedIndex(), select);
        if (how == "button") {
            form->findChild<QPushButton*>(QStringLiteral("GetInfosBtn"))->click();
        } else if (how == "double-click") {
            // As a hand does it: the first press selects the row, the second opens it.
            const QPoint at = list->visualItemRect(list->item(select)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else if (how == "escape") {
            QTest::keyClick(form, Qt::Key_Escape);
        } else {
            form->close();
        }
        QVERIFY(!form->isVisible());
    });
    QCOMPARE(TMatchform::ChooseMatch({"Album One", "Album Two", "Album Three"}), expected);
}

void TestMatchform::showsLinesInOrderAsATitledToolWindow() {
    QStringList shown;
    QString title;
    bool tool = false;
    whenShown([&](TMatchform* form) {
        auto* list = form->findChild<QListWidget*>(QStringLiteral("LstMatches"));
        for (int r = 0; r < list->count(); ++r)
            shown << list->item(r)->text();
        title = form->windowTitle();
        tool = (form->windowFlags() & Qt::Tool) == Qt::Tool;
        form->reject();
    });
    QCOMPARE(TMatchform::ChooseMatch({"b", "a", "Ünïcode"}), -1);
    QCOMPARE(shown, (QStringList{"b", "a", "Ünïcode"}));
    QCOMPARE(title, QStringLiteral("Matchform"));
    QVERIFY(tool);
}

QTEST_MAIN(TestMatchform)
#include "tst_matchform.moc"
