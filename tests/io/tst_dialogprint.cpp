#include "io/dialogprint.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

template <typename T> T *part(QDialog &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

QPageSize::PageSizeId sizeOf(const QPrinter &printer)
{
    return printer.pageLayout().pageSize().id();
}

QPageLayout::Orientation orientationOf(const QPrinter &printer)
{
    return printer.pageLayout().orientation();
}

} // namespace

class TestDialogPrint : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void startsAtA4InTheCurrentOrientation();
    void sizeResetsOrientationCarriesOver();
    void closeKeepsTheChosenSize();
    void orientationButtons();
    void coverageMapBox();
};

void TestDialogPrint::form()
{
    QPrinter printer(QPrinter::HighResolution);
    DialogPrint dialog(&printer);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Печать"));
    QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);

    auto paperSize = part<QComboBox>(dialog, "paperSize");
    QVERIFY(paperSize);
    QCOMPARE(paperSize->count(), 4);
    const QStringList names = { "A4", "A3", "A2", "A1" };
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(paperSize->itemText(i), names.at(i));

    QCOMPARE(part<QGroupBox>(dialog, "groupBox")->title(), QStringLiteral("Размер бумаги"));
    QCOMPARE(part<QGroupBox>(dialog, "groupBox_2")->title(), QStringLiteral("Ориентация"));
    auto landscape = part<QToolButton>(dialog, "orientationLandscape");
    auto portrait = part<QToolButton>(dialog, "orientationPortrait");
    QCOMPARE(landscape->text(), QStringLiteral("Горизонтальная"));
    QCOMPARE(portrait->text(), QStringLiteral("Вертикальная"));
    for (QToolButton *button : { landscape, portrait }) {
        QVERIFY(button->isCheckable());
        QCOMPARE(button->iconSize(), QSize(64, 64));
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    auto group = part<QButtonGroup>(dialog, "buttonGroup");
    QVERIFY(group);
    QVERIFY(group->exclusive());
    QCOMPARE(group->buttons().size(), 2);

    auto print = part<QPushButton>(dialog, "print");
    auto close = part<QPushButton>(dialog, "close");
    QCOMPARE(print->text(), QStringLiteral("Печать"));
    QCOMPARE(close->text(), QStringLiteral("Закрыть"));
    QVERIFY(close->isDefault());
    QVERIFY(!print->isDefault());
    QVERIFY(part<QWidget>(dialog, "horizontalWidget")->isAncestorOf(close));
}

void TestDialogPrint::startsAtA4InTheCurrentOrientation()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A1));
    printer.setPageOrientation(QPageLayout::Landscape);

    DialogPrint dialog(&printer);
    QCOMPARE(part<QComboBox>(dialog, "paperSize")->currentText(), QStringLiteral("A4"));
    QCOMPARE(sizeOf(printer), QPageSize::A4);
    QVERIFY(part<QToolButton>(dialog, "orientationLandscape")->isChecked());
    QVERIFY(!part<QToolButton>(dialog, "orientationPortrait")->isChecked());
    QCOMPARE(orientationOf(printer), QPageLayout::Landscape);
}

void TestDialogPrint::sizeResetsOrientationCarriesOver()
{
    QPrinter printer(QPrinter::HighResolution);
    {
        DialogPrint dialog(&printer);
        dialog.show();
        QVERIFY(part<QToolButton>(dialog, "orientationPortrait")->isChecked());
        part<QComboBox>(dialog, "paperSize")->setCurrentIndex(1);
        QTest::mouseClick(part<QToolButton>(dialog, "orientationLandscape"), Qt::LeftButton);
        QTest::mouseClick(part<QPushButton>(dialog, "print"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(sizeOf(printer), QPageSize::A3);
        QCOMPARE(orientationOf(printer), QPageLayout::Landscape);
    }
    DialogPrint again(&printer);
    QCOMPARE(part<QComboBox>(again, "paperSize")->currentText(), QStringLiteral("A4"));
    QCOMPARE(sizeOf(printer), QPageSize::A4);
    QVERIFY(part<QToolButton>(again, "orientationLandscape")->isChecked());
    QCOMPARE(orientationOf(printer), QPageLayout::Landscape);
}

void TestDialogPrint::closeKeepsTheChosenSize()
{
    QPrinter printer(QPrinter::HighResolution);
    DialogPrint dialog(&printer);
    dialog.show();
    part<QComboBox>(dialog, "paperSize")->setCurrentIndex(2);
    QTest::mouseClick(part<QPushButton>(dialog, "close"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(sizeOf(printer), QPageSize::A2);
    QCOMPARE(orientationOf(printer), QPageLayout::Portrait);
}

void TestDialogPrint::orientationButtons()
{
    QPrinter printer(QPrinter::HighResolution);
    DialogPrint dialog(&printer);
    dialog.show();
    auto landscape = part<QToolButton>(dialog, "orientationLandscape");
    auto portrait = part<QToolButton>(dialog, "orientationPortrait");

    QTest::mouseClick(landscape, Qt::LeftButton);
    QVERIFY(landscape->isChecked() && !portrait->isChecked());
    QCOMPARE(orientationOf(printer), QPageLayout::Landscape);
    // A second click on the checked button of the exclusive group changes nothing.
    QTest::mouseClick(landscape, Qt::LeftButton);
    QCOMPARE(orientationOf(printer), QPageLayout::Landscape);
    QTest::mouseClick(portrait, Qt::LeftButton);
    QVERIFY(portrait->isChecked() && !landscape->isChecked());
    QCOMPARE(orientationOf(printer), QPageLayout::Portrait);

    // The size follows the list, and an orientation choice keeps it.
    part<QComboBox>(dialog, "paperSize")->setCurrentIndex(3);
    QTest::mouseClick(landscape, Qt::LeftButton);
    QCOMPARE(sizeOf(printer), QPageSize::A1);
    QCOMPARE(orientationOf(printer), QPageLayout::Landscape);
}

void TestDialogPrint::coverageMapBox()
{
    QPrinter printer(QPrinter::HighResolution);
    DialogPrint dialog(&printer);
    auto box = part<QCheckBox>(dialog, "coverageMap");
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Карта покрытия"));
    QVERIFY(!box->isChecked());
    QVERIFY(!dialog.coverageMap());
    box->setChecked(true);
    QVERIFY(dialog.coverageMap());
    // Without an outline there is no map to put on the page.
    dialog.setCoverageMapAvailable(false);
    QVERIFY(!box->isEnabled());
    QVERIFY(!dialog.coverageMap());
    dialog.setCoverageMapAvailable(true);
    dialog.setCoverageMap(false);
    QVERIFY(!dialog.coverageMap());
}

QTEST_MAIN(TestDialogPrint)
#include "tst_dialogprint.moc"
