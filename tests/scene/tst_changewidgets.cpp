#include "scene/checkboxchange.h"
#include "scene/comboboxchange.h"
#include "scene/doublespinboxchange.h"
#include "scene/radiobuttonchange.h"
#include "scene/spinboxchange.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

class TestChangeWidgets : public QObject
{
    Q_OBJECT
private slots:
    void typingMakesBoldEscapeRestores();
    void enterReportsUncompleteUntilCommitted();
    void focusOutReportsUncomplete();
    void spinBoxAndComboBoxFollowTheSameRules();
    void wheelChangesNothing();
    void hiddenWidgetCommitsWhatItIsGiven();
    void setValueSilentlyEmitsNothing();
    void checkBoxReportsEveryChange();
    void radioButtonBoldOnlyForTheNewChoice();
};

static bool isBold(const QWidget &widget)
{
    return widget.font().weight() == QFont::Bold;
}

static bool isNormal(const QWidget &widget)
{
    return widget.font().weight() == QFont::Normal;
}

static void typeInto(QAbstractSpinBox &spin, const QString &text)
{
    spin.selectAll();
    QTest::keyClicks(&spin, text);
}

static void prepare(DoubleSpinBoxChange &spin)
{
    spin.setLocale(QLocale::c());
    spin.setRange(0, 10);
    spin.setDecimals(2);
    spin.setValueSilently(3.0);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
}

void TestChangeWidgets::typingMakesBoldEscapeRestores()
{
    DoubleSpinBoxChange spin;
    prepare(spin);
    QSignalSpy changed(&spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged));
    QVERIFY(isNormal(spin));

    typeInto(spin, "2.5");
    QCOMPARE(spin.value(), 2.5);
    QVERIFY(isBold(spin));
    QVERIFY(spin.findChild<QLineEdit *>()->font().bold());

    // Escape puts the committed value back through the ordinary change signal.
    changed.clear();
    QTest::keyClick(&spin, Qt::Key_Escape);
    QCOMPARE(spin.value(), 3.0);
    QVERIFY(isNormal(spin));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().at(0).toDouble(), 3.0);
}

void TestChangeWidgets::enterReportsUncompleteUntilCommitted()
{
    DoubleSpinBoxChange spin;
    prepare(spin);
    QSignalSpy uncomplete(&spin, &DoubleSpinBoxChange::uncomplete);

    // Enter on the committed value reports nothing.
    QTest::keyClick(&spin, Qt::Key_Enter);
    QCOMPARE(uncomplete.count(), 0);

    typeInto(spin, "2.5");
    QCOMPARE(uncomplete.count(), 0);
    QTest::keyClick(&spin, Qt::Key_Return);
    QCOMPARE(uncomplete.count(), 1);
    QCOMPARE(uncomplete.last().at(0).toDouble(), 2.5);
    QVERIFY(isBold(spin));

    spin.commit();
    QCOMPARE(spin.committed, 2.5);
    QVERIFY(isNormal(spin));
    QTest::keyClick(&spin, Qt::Key_Enter);
    QCOMPARE(uncomplete.count(), 1);
}

void TestChangeWidgets::focusOutReportsUncomplete()
{
    DoubleSpinBoxChange spin;
    prepare(spin);
    QSignalSpy uncomplete(&spin, &DoubleSpinBoxChange::uncomplete);

    QFocusEvent clean(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&spin, &clean);
    QCOMPARE(uncomplete.count(), 0);

    typeInto(spin, "7.25");
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&spin, &leave);
    QCOMPARE(uncomplete.count(), 1);
    QCOMPARE(uncomplete.last().at(0).toDouble(), 7.25);
    QVERIFY(isBold(spin));
}

void TestChangeWidgets::spinBoxAndComboBoxFollowTheSameRules()
{
    SpinBoxChange spin;
    spin.setRange(0, 100);
    spin.setValueSilently(3);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    QSignalSpy spinUncomplete(&spin, &SpinBoxChange::uncomplete);
    typeInto(spin, "42");
    QVERIFY(isBold(spin));
    QTest::keyClick(&spin, Qt::Key_Enter);
    QCOMPARE(spinUncomplete.count(), 1);
    QCOMPARE(spinUncomplete.last().at(0).toInt(), 42);
    QTest::keyClick(&spin, Qt::Key_Escape);
    QCOMPARE(spin.value(), 3);
    QVERIFY(isNormal(spin));

    ComboBoxChange combo;
    combo.addItems({ "a", "b", "c" });
    combo.setValueSilently(0);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    QSignalSpy comboUncomplete(&combo, &ComboBoxChange::uncomplete);
    QSignalSpy indexChanged(&combo, QOverload<int>::of(&QComboBox::currentIndexChanged));
    QTest::keyClick(&combo, Qt::Key_Down);
    QCOMPARE(combo.currentIndex(), 1);
    QVERIFY(isBold(combo));
    QTest::keyClick(&combo, Qt::Key_Enter);
    QCOMPARE(comboUncomplete.count(), 1);
    QCOMPARE(comboUncomplete.last().at(0).toInt(), 1);
    QTest::keyClick(&combo, Qt::Key_Escape);
    QCOMPARE(combo.currentIndex(), 0);
    QVERIFY(isNormal(combo));
    QCOMPARE(indexChanged.last().at(0).toInt(), 0);
}

void TestChangeWidgets::wheelChangesNothing()
{
    QWidget panel;
    auto *layout = new QVBoxLayout(&panel);
    auto *spin = new DoubleSpinBoxChange;
    auto *intSpin = new SpinBoxChange;
    auto *combo = new ComboBoxChange;
    combo->addItems({ "a", "b", "c" });
    combo->setValueSilently(1);
    spin->setValueSilently(5);
    intSpin->setValueSilently(5);
    layout->addWidget(spin);
    layout->addWidget(intSpin);
    layout->addWidget(combo);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    // Accepted, so that a scroll area around the panel does not scroll either.
    for (QWidget *target : { static_cast<QWidget *>(spin), static_cast<QWidget *>(intSpin),
             static_cast<QWidget *>(combo) }) {
        for (const int delta : { -120, 120 }) {
            const QPointF pos(5, 5);
            QWheelEvent event(pos, target->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta),
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QSpontaneKeyEvent::setSpontaneous(&event);
            QApplication::sendEvent(target, &event);
            QVERIFY(event.isAccepted());
        }
    }
    QCOMPARE(spin->value(), 5.0);
    QCOMPARE(intSpin->value(), 5);
    QCOMPARE(combo->currentIndex(), 1);
    QVERIFY(isNormal(*spin));
}

void TestChangeWidgets::hiddenWidgetCommitsWhatItIsGiven()
{
    QWidget panel;
    auto *spin = new SpinBoxChange(&panel);
    spin->setRange(0, 100);
    spin->setValue(12);
    QCOMPARE(spin->committed, 12);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(isNormal(*spin));
    spin->setValue(13);
    QCOMPARE(spin->committed, 12);
    QVERIFY(isBold(*spin));

    // commit() returns to normal weight even while hidden.
    panel.hide();
    spin->commit();
    QCOMPARE(spin->committed, 13);
    QVERIFY(isNormal(*spin));
}

void TestChangeWidgets::setValueSilentlyEmitsNothing()
{
    DoubleSpinBoxChange spin;
    prepare(spin);
    typeInto(spin, "4");
    QVERIFY(isBold(spin));
    QSignalSpy changed(&spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged));
    QSignalSpy uncomplete(&spin, &DoubleSpinBoxChange::uncomplete);
    spin.setValueSilently(6.5);
    QCOMPARE(spin.value(), 6.5);
    QCOMPARE(spin.committed, 6.5);
    QVERIFY(isNormal(spin));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(uncomplete.count(), 0);
    QVERIFY(!spin.signalsBlocked());
}

void TestChangeWidgets::checkBoxReportsEveryChange()
{
    CheckBoxChange box;
    box.setText("check");
    box.setValueSilently(false);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy uncomplete(&box, &CheckBoxChange::uncomplete);

    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(box.isChecked());
    QVERIFY(isBold(box));
    QCOMPARE(uncomplete.count(), 1);
    QCOMPARE(uncomplete.last().at(0).toBool(), true);

    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(isNormal(box));
    QCOMPARE(uncomplete.count(), 2);
    QCOMPARE(uncomplete.last().at(0).toBool(), false);
}

void TestChangeWidgets::radioButtonBoldOnlyForTheNewChoice()
{
    QWidget group;
    auto *layout = new QVBoxLayout(&group);
    auto *first = new RadioButtonChange;
    auto *second = new RadioButtonChange;
    first->setText("first");
    second->setText("second");
    layout->addWidget(first);
    layout->addWidget(second);
    first->setValueSilently(true);
    second->setValueSilently(false);
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    QSignalSpy firstUncomplete(first, &RadioButtonChange::uncomplete);
    QSignalSpy secondUncomplete(second, &RadioButtonChange::uncomplete);

    QTest::mouseClick(second, Qt::LeftButton);
    QVERIFY(second->isChecked());
    QVERIFY(!first->isChecked());
    QVERIFY(isBold(*second));
    QVERIFY(isNormal(*first));
    QCOMPARE(firstUncomplete.count(), 1);
    QCOMPARE(firstUncomplete.last().at(0).toBool(), false);
    QCOMPARE(secondUncomplete.count(), 1);
    QCOMPARE(secondUncomplete.last().at(0).toBool(), true);

    // Going back to the committed choice: nothing stands out.
    QTest::mouseClick(first, Qt::LeftButton);
    QVERIFY(isNormal(*first));
    QVERIFY(isNormal(*second));

    // Once the second is committed, choosing the first makes the first bold.
    QTest::mouseClick(second, Qt::LeftButton);
    first->commit();
    second->commit();
    QVERIFY(isNormal(*second));
    QTest::mouseClick(first, Qt::LeftButton);
    QVERIFY(isBold(*first));
    QVERIFY(isNormal(*second));
}

QTEST_MAIN(TestChangeWidgets)
#include "tst_changewidgets.moc"
