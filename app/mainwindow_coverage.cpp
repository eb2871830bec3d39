// Coverage: the side panel's figures and targets, the map switch, and the
// recomputation that follows every change of the floor, the obstacles and the
// zones (also while something is dragged), at most once per event-loop pass.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "detectors/coveragemapitem.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragepage.h"

#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

namespace {

const QColor kMetColour(0x2E, 0x9D, 0x4F);
const QColor kNotMetColour(0xC6, 0x28, 0x28);

QPixmap swatch(CoverageMapItem::Class which)
{
    QPixmap pixmap(18, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    CoverageMapItem::paintSwatch(&painter, QRectF(0.5, 0.5, 17, 13), which);
    painter.end();
    return pixmap;
}

void showMark(QLabel *label, bool shown, bool met)
{
    if (!shown) {
        label->clear();
        label->setToolTip(QString());
        return;
    }
    label->setText(met ? QStringLiteral("✓") : QStringLiteral("✗"));
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; font-weight: bold; }")
                             .arg((met ? kMetColour : kNotMetColour).name()));
    label->setToolTip(
        met ? QStringLiteral("Цель достигнута") : QStringLiteral("Цель не достигнута"));
}

} // namespace

void MainWindow::setupCoverage()
{
    ui->coverageSwatch0->setPixmap(swatch(CoverageMapItem::NotSeen));
    ui->coverageSwatch1->setPixmap(swatch(CoverageMapItem::SeenOnce));
    ui->coverageSwatch2->setPixmap(swatch(CoverageMapItem::SeenTwiceOrMore));
    ui->coverageGroup->hide();

    coverageTimer.setSingleShot(true);
    coverageTimer.setInterval(0);
    connect(&coverageTimer, &QTimer::timeout, this, [this] { updateCoverage(false); });
    // Every move of an item repaints part of the scene; the scene reports it
    // once per pass of the event loop, and the figures follow when what they
    // are computed from has changed.
    connect(&scene, &QGraphicsScene::changed, this, &MainWindow::requestCoverageUpdate);

    connect(ui->coverageTarget1, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        [this](double value) {
            document.coverageSettings().min1 = value;
            recordCoverageTargetsStep();
            showCoverageFigures();
        });
    connect(ui->coverageTarget2On, &QCheckBox::toggled, this, [this](bool on) {
        ui->coverageTarget2->setEnabled(on);
        if (on)
            document.coverageSettings().min2 = ui->coverageTarget2->value();
        else
            document.coverageSettings().min2.reset();
        recordCoverageTargetsStep();
        showCoverageFigures();
    });
    connect(ui->coverageTarget2, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        [this](double value) {
            if (!ui->coverageTarget2On->isChecked())
                return;
            document.coverageSettings().min2 = value;
            recordCoverageTargetsStep();
            showCoverageFigures();
        });
}

void MainWindow::requestCoverageUpdate()
{
    if (!coverageTimer.isActive())
        coverageTimer.start();
}

void MainWindow::updateCoverage(bool force)
{
    ProjectDocument::CoverageInput input = document.coverageInput();
    if (!force && input == coverageInputShown)
        return;
    coverageInputShown = std::move(input);
    coverage = document.refreshCoverage();
    showCoverageFigures();
}

void MainWindow::on_actionCoverageMap_triggered(bool checked)
{
    document.coverageSettings().showMap = checked;
    document.showCoverageMap(checked);
    noteChange();
    updateCoverage(true);
}

void MainWindow::showCoverageSettings()
{
    const CoverageSettings &settings = document.coverageSettings();
    {
        const QSignalBlocker block1(ui->coverageTarget1);
        const QSignalBlocker block2(ui->coverageTarget2);
        const QSignalBlocker blockOn(ui->coverageTarget2On);
        ui->coverageTarget1->setValue(settings.min1);
        ui->coverageTarget2On->setChecked(settings.min2.has_value());
        ui->coverageTarget2->setEnabled(settings.min2.has_value());
        if (settings.min2)
            ui->coverageTarget2->setValue(*settings.min2);
    }
    ui->actionCoverageMap->setChecked(settings.showMap);
    document.showCoverageMap(settings.showMap);
    updateCoverage(true);
}

void MainWindow::showCoverageFigures()
{
    const CoverageSettings &settings = document.coverageSettings();
    ui->coverageGroup->setVisible(coverage.valid);
    if (coverage.valid) {
        const double once = coverage.share(coverage.onceArea + coverage.twiceArea);
        const double twice = coverage.share(coverage.twiceArea);
        ui->coverageOnce->setText(QStringLiteral("≥1: %1 %").arg(coverageFigure(once * 100)));
        ui->coverageTwice->setText(QStringLiteral("≥2: %1 %").arg(coverageFigure(twice * 100)));
        // Before the scale is set the areas have no unit: the share stands in.
        ui->coverageUnseen->setText(hasScale()
                ? QStringLiteral("Не контролируется: %1 м²")
                      .arg(coverageFigure(coverage.unseenArea))
                : QStringLiteral("Не контролируется: %1 %")
                      .arg(coverageFigure(coverage.share(coverage.unseenArea) * 100)));
        showMark(ui->coverageMark1, true, CoverageSettings::meets(once, settings.min1));
        showMark(ui->coverageMark2, settings.min2.has_value(),
            settings.min2 && CoverageSettings::meets(twice, *settings.min2));
    }
    showSensorCoverage();
}

void MainWindow::showSensorCoverage()
{
    SensorGraphicsItem2 *detector = SensorGraphicsItem2::editedSensor();
    const int row = detector ? sensors.indexOf(detector) : -1;
    if (!coverage.valid || row < 0 || row >= coverage.detectors.size() || !hasScale()) {
        ui->sensorZoneArea->setText(QStringLiteral("—"));
        ui->sensorOnlyArea->setText(QStringLiteral("—"));
        return;
    }
    const Coverage::Detector &figures = coverage.detectors.at(row);
    ui->sensorZoneArea->setText(QStringLiteral("%1 м²").arg(coverageFigure(figures.zoneArea)));
    ui->sensorOnlyArea->setText(QStringLiteral("%1 м²").arg(coverageFigure(figures.onlyArea)));
}
