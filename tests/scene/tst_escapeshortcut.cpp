#include "scene/comboboxchange.h"
#include "scene/doublespinboxchange.h"
#include "scene/spinboxchange.h"

#include <QLineEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

// The main window cancels the current editing step with a window-wide Escape
// shortcut. A field whose value the user has changed must still get Escape first
// (to revert); a clean field leaves it to the window.
class TestEscapeShortcut : public QObject
{
    Q_OBJECT
private slots:
    void modifiedDoubleSpinBoxRevertsBeforeShortcut();
    void modifiedSpinBoxRevertsBeforeShortcut();
    void modifiedComboBoxRevertsBeforeShortcut();
};

namespace {

struct Window
{
    QWidget widget;
    QShortcut *shortcut;
    QVBoxLayout *layout;

    Window()
    {
        layout = new QVBoxLayout(&widget);
        shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), &widget);
        shortcut->setContext(Qt::WindowShortcut);
    }

    void show(QWidget *field)
    {
        layout->addWidget(field);
        widget.show();
        QVERIFY(QTest::qWaitForWindowActive(&widget));
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
    }
};

} // namespace

void TestEscapeShortcut::modifiedDoubleSpinBoxRevertsBeforeShortcut()
{
    Window window;
    auto *box = new DoubleSpinBoxChange;
    box->setRange(0, 100);
    box->setDecimals(1);
    window.show(box);
    box->setValueSilently(3.0);
    QSignalSpy shortcutSpy(window.shortcut, &QShortcut::activated);

    box->findChild<QLineEdit *>()->selectAll();
    QTest::keyClicks(box, "2.5");
    QCOMPARE(box->value(), 2.5);

    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(box->value(), 3.0);
    QCOMPARE(box->font().weight(), int(QFont::Normal));
    QCOMPARE(shortcutSpy.count(), 0);

    // Clean now: Escape belongs to the window.
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(shortcutSpy.count(), 1);
    QCOMPARE(box->value(), 3.0);
}

void TestEscapeShortcut::modifiedSpinBoxRevertsBeforeShortcut()
{
    Window window;
    auto *box = new SpinBoxChange;
    box->setRange(0, 100);
    window.show(box);
    box->setValueSilently(40);
    QSignalSpy shortcutSpy(window.shortcut, &QShortcut::activated);

    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->value(), 41);
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(box->value(), 40);
    QCOMPARE(shortcutSpy.count(), 0);

    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(shortcutSpy.count(), 1);
}

void TestEscapeShortcut::modifiedComboBoxRevertsBeforeShortcut()
{
    Window window;
    auto *box = new ComboBoxChange;
    box->addItems({"Нет", "ШТ1", "ШТ2"});
    window.show(box);
    box->setValueSilently(0);
    QSignalSpy shortcutSpy(window.shortcut, &QShortcut::activated);

    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentIndex(), 1);
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(shortcutSpy.count(), 0);

    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(shortcutSpy.count(), 1);
}

QTEST_MAIN(TestEscapeShortcut)
#include "tst_escapeshortcut.moc"
