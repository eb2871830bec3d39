// The detector property panel: every field edits the detector in editing mode.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlistmodel.h"

#include <QItemSelectionModel>
#include <QSignalBlocker>

#include <cmath>

namespace {

// The sensitivity slider's distance scale for a model and noise-immunity flag.
QStringList distanceLabels(char type, bool noiseImmunity)
{
    QStringList labels;
    const int first = type == '3' ? 17 : 18;
    if (noiseImmunity) {
        for (int metres = first; metres <= 25; ++metres)
            labels << QString::number(metres);
    } else if (type == '3') {
        for (int metres = 17; metres <= 50; metres += 3)
            labels << QString::number(metres);
    } else {
        for (int metres = 18; metres <= 40; metres += 2)
            labels << QString::number(metres);
    }
    return labels;
}

QStringList modeEntries(char type)
{
    if (type == '3')
        return { QStringLiteral("3 ИК"), QStringLiteral("3 ИК (помехозащищенность)") };
    return { QStringLiteral("ИК и УФ каналы"), QStringLiteral("Только ИК канал"),
        QStringLiteral("Только УФ канал"), QStringLiteral("ИК или УФ канал"),
        QStringLiteral("ИК и УФ каналы (помехозащищенность)") };
}

// Linear mapping between two ranges, to the nearest integer with halves away
// from zero.
int mapRange(double value, double fromMin, double fromMax, double toMin, double toMax)
{
    if (fromMax == fromMin)
        return int(std::round(toMin));
    return int(std::round(toMin + (value - fromMin) * (toMax - toMin) / (fromMax - fromMin)));
}

// The model box's entry for a type code; codes 1 and 2 of old files read as 3 and 4.
int modelEntry(char type)
{
    if (type == '3' || type == '1')
        return 0;
    if (type == '4' || type == '2')
        return 1;
    return -1;
}

// The entry whose text equals value, or entry 0 when none does.
int entryIndex(const QComboBox *combo, const QString &value)
{
    const int index = combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return index < 0 ? 0 : index;
}

} // namespace

void MainWindow::showSensorPicture(SensorGraphicsItem2 *detector)
{
    ui->labelSensorImage->setText(detector->pictureHtml());
}

int MainWindow::sensitivityToDistance(double sensitivity) const
{
    return mapRange(sensitivity, ui->sensorSensitivity->minimum(), ui->sensorSensitivity->maximum(),
        ui->sensorSensitivityLen->minimum(), ui->sensorSensitivityLen->maximum());
}

void MainWindow::configureSensorPanel(char type, int analysis, bool noiseImmunity, int sensitivity)
{
    const char flag = noiseImmunity ? 1 : 0;
    const bool known = type == '3' || type == '4';
    {
        const QSignalBlocker blockMode(ui->sensorAnalysisType);
        bool relabel = false;
        if (type == panelType) {
            if (flag != panelFlag) {
                panelFlag = flag;
                relabel = known;
                if (!known) {
                    ui->sensorAnalysisTypeLabel->hide();
                    ui->sensorAnalysisType->hide();
                    ui->sensorSensitivitySlider->setTickPosition(QSlider::TicksAbove);
                    ui->sensorSensitivityLen->hide();
                }
            }
        } else {
            panelFlag = flag;
            if (known) {
                ui->sensorAnalysisTypeLabel->show();
                ui->sensorAnalysisType->show();
                ui->sensorAnalysisType->clear();
                ui->sensorAnalysisType->addItems(modeEntries(type));
                relabel = true;
            } else {
                ui->sensorAnalysisTypeLabel->hide();
                ui->sensorAnalysisType->hide();
                ui->sensorSensitivitySlider->setTickPosition(QSlider::TicksAbove);
                ui->sensorSensitivityLen->hide();
                panelType = type;
            }
        }
        if (relabel) {
            const QStringList labels = distanceLabels(type, noiseImmunity);
            ui->sensorSensitivitySlider->setTickPosition(QSlider::TicksBothSides);
            ui->sensorSensitivitySlider->lowerLabels = labels;
            ui->sensorSensitivitySlider->update();
            {
                const QSignalBlocker blockLength(ui->sensorSensitivityLen);
                ui->sensorSensitivityLen->setRange(labels.first().toInt(), labels.last().toInt());
            }
            ui->sensorSensitivityLen->show();
            panelType = type;
        }
        if (type == '4')
            ui->sensorAnalysisType->setValueSilently(noiseImmunity ? 4 : analysis);
        else if (type == '3')
            ui->sensorAnalysisType->setValueSilently(noiseImmunity ? 1 : 0);
    }
    {
        const QSignalBlocker blockSlider(ui->sensorSensitivitySlider);
        ui->sensorSensitivitySlider->setValue(sensitivity);
    }
    ui->sensorSensitivityLen->setValueSilently(sensitivityToDistance(sensitivity));
}

void MainWindow::showSensorValues()
{
    SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor();
    if (!d)
        return;
    ui->sensorAtLeft->setValueSilently(!d->atRight());
    ui->sensorAtRight->setValueSilently(d->atRight());
    {
        const QSignalBlocker block(ui->sensorPos);
        ui->sensorPos->setRange(0, d->sectionLength());
    }
    ui->sensorPos->setValueSilently(d->position());
    ui->sensorHeight->setValueSilently(d->height());
    ui->sensorAngle->setValueSilently(d->angle());
    ui->sensorTilt->setValueSilently(d->tilt());
    {
        const QSignalBlocker height(ui->sensorHeightSlider);
        const QSignalBlocker angle(ui->sensorAngleSlider);
        const QSignalBlocker tilt(ui->sensorTiltSlider);
        ui->sensorHeightSlider->setValue(int(std::round(d->height() * 100)));
        ui->sensorAngleSlider->setValue(d->angle());
        ui->sensorTiltSlider->setValue(d->tilt());
    }
    // The model box follows the detector too, so that the panel never shows the
    // previous detector's model.
    ui->sensorType->setValueSilently(modelEntry(d->sensor()));
    showSensorPicture(d);
    configureSensorPanel(d->sensor(), d->analysis(), d->noiseImmunity(), d->sensitivity());
    ui->sensorSensitivity->setValueSilently(d->sensitivity());
    ui->sensorIn1->setValueSilently(entryIndex(ui->sensorIn1, d->in1()));
    ui->sensorIn2->setValueSilently(entryIndex(ui->sensorIn2, d->in2()));
    ui->sensorBody->setValueSilently(entryIndex(ui->sensorBody, d->body()));
    ui->sensorInterface->setValueSilently(entryIndex(ui->sensorInterface, d->interfaceName()));
    ui->sensorCertificate->setValueSilently(entryIndex(ui->sensorCertificate, d->certificate()));
    ui->sensorOptionHanger->setValueSilently(d->optionHanger());
    ui->sensorOptionRS1->setValueSilently(d->optionRS1());
    ui->sensorOptionRS2->setValueSilently(d->optionRS2());
    if (ui->sensorTag->text() != d->tag()) {
        const QSignalBlocker block(ui->sensorTag);
        ui->sensorTag->setText(d->tag());
    }
    showSensorCoverage();
    sensorModel.updateRow(d);
}

// Zone, callout and list row after an edit that moves or turns the detector.
void MainWindow::refreshEditedSensor(SensorGraphicsItem2 *d, bool zone, bool row)
{
    if (zone)
        d->updateZone();
    d->updateLabelText();
    if (row)
        sensorModel.updateRow(d);
}

void MainWindow::on_sensorPos_valueChanged(double value)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorPos"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        d->setPosition(value, d->atRight());
        refreshEditedSensor(d, true, true);
    }
    ui->sensorPos->commit();
}

void MainWindow::on_sensorAtRight_toggled(bool checked)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorAtRight"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        if (checked != d->atRight()) {
            // Measured from the other corner, the detector stays where it is.
            d->setPosition(d->sectionLength() - d->position(), checked);
            showSensorValues();
            refreshEditedSensor(d, false, true);
        }
    }
    ui->sensorAtRight->commit();
    ui->sensorAtLeft->commit();
}

void MainWindow::on_sensorHeight_valueChanged(double value)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorHeight"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        d->setHeight(value);
        {
            const QSignalBlocker block(ui->sensorHeightSlider);
            ui->sensorHeightSlider->setValue(int(std::round(value * 100)));
        }
        refreshEditedSensor(d, true, true);
    }
    ui->sensorHeight->commit();
}

void MainWindow::on_sensorHeightSlider_valueChanged(int value)
{
    ui->sensorHeight->setValueSilently(value / 100.0);
    on_sensorHeight_valueChanged(value / 100.0);
}

void MainWindow::on_sensorAngle_valueChanged(double value)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorAngle"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        const int degrees = int(value);
        d->setAngle(degrees);
        {
            const QSignalBlocker block(ui->sensorAngleSlider);
            ui->sensorAngleSlider->setValue(degrees);
        }
        refreshEditedSensor(d, true, true);
    }
    ui->sensorAngle->commit();
}

void MainWindow::on_sensorAngleSlider_valueChanged(int value)
{
    ui->sensorAngle->setValueSilently(value);
    on_sensorAngle_valueChanged(value);
}

void MainWindow::on_sensorTilt_valueChanged(double value)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorTilt"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        const int degrees = int(value);
        d->setTilt(degrees);
        {
            const QSignalBlocker block(ui->sensorTiltSlider);
            ui->sensorTiltSlider->setValue(degrees);
        }
        refreshEditedSensor(d, true, true);
    }
    ui->sensorTilt->commit();
}

void MainWindow::on_sensorTiltSlider_valueChanged(int value)
{
    ui->sensorTilt->setValueSilently(value);
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->updateLabelText();
    on_sensorTilt_valueChanged(value);
}

void MainWindow::on_sensorSensitivity_valueChanged(double value)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorSensitivity"));
    const int percent = int(value);
    {
        const QSignalBlocker block(ui->sensorSensitivitySlider);
        ui->sensorSensitivitySlider->setValue(percent);
    }
    ui->sensorSensitivityLen->setValueSilently(sensitivityToDistance(percent));
    ui->sensorSensitivity->setValueSilently(value);
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        d->setSensitivity(quint16(percent));
        refreshEditedSensor(d, true, false);
    }
    ui->sensorSensitivity->commit();
}

void MainWindow::on_sensorSensitivitySlider_valueChanged(int value)
{
    ui->sensorSensitivity->setValueSilently(value);
    on_sensorSensitivity_valueChanged(value);
}

void MainWindow::on_sensorSensitivityLen_valueChanged(int value)
{
    const int percent
        = mapRange(value, ui->sensorSensitivityLen->minimum(), ui->sensorSensitivityLen->maximum(),
            ui->sensorSensitivity->minimum(), ui->sensorSensitivity->maximum());
    ui->sensorSensitivity->setValueSilently(percent);
    on_sensorSensitivity_valueChanged(percent);
    ui->sensorSensitivityLen->commit();
}

void MainWindow::on_sensorType_currentIndexChanged(int index)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorType"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        d->setSensor(index == 0 ? '3' : index == 1 ? '4' : char(0));
        configureSensorPanel(d->sensor(), d->analysis(), d->noiseImmunity(), d->sensitivity());
        showSensorPicture(d);
        refreshEditedSensor(d, true, false);
    }
    ui->sensorType->commit();
}

void MainWindow::on_sensorAnalysisType_currentIndexChanged(int index)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorAnalysisType"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        if (index >= 0) {
            if (d->sensor() == '4') {
                d->setAnalysis(index & 3);
                d->setNoiseImmunity(index > 3);
            } else if (d->sensor() == '3') {
                d->setAnalysis(0);
                d->setNoiseImmunity(index > 0);
            }
        }
        configureSensorPanel(d->sensor(), d->analysis(), d->noiseImmunity(), d->sensitivity());
        refreshEditedSensor(d, true, false);
    }
    ui->sensorAnalysisType->commit();
}

void MainWindow::on_sensorIn1_currentIndexChanged(const QString &text)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorIn1"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setIn1(text);
    ui->sensorIn1->commit();
}

void MainWindow::on_sensorIn2_currentIndexChanged(const QString &text)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorIn2"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setIn2(text);
    ui->sensorIn2->commit();
}

void MainWindow::on_sensorInterface_currentIndexChanged(const QString &text)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorInterface"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setInterfaceName(text);
    ui->sensorInterface->commit();
}

void MainWindow::on_sensorCertificate_currentIndexChanged(const QString &text)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorCertificate"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setCertificate(text);
    ui->sensorCertificate->commit();
}

void MainWindow::on_sensorBody_currentIndexChanged(const QString &text)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorBody"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        d->setBody(text);
        showSensorPicture(d);
    }
    ui->sensorBody->commit();
}

void MainWindow::on_sensorOptionHanger_toggled(bool checked)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorOptionHanger"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setOptionHanger(checked);
    ui->sensorOptionHanger->commit();
}

void MainWindow::on_sensorOptionRS1_toggled(bool checked)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorOptionRS1"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setOptionRS1(checked);
    ui->sensorOptionRS1->commit();
}

void MainWindow::on_sensorOptionRS2_toggled(bool checked)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorOptionRS2"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor())
        d->setOptionRS2(checked);
    ui->sensorOptionRS2->commit();
}

void MainWindow::on_sensorTag_textChanged(const QString &text)
{
    if (SensorGraphicsItem2::editedSensor())
        noteChange(detectorFieldKey("sensorTag"));
    if (SensorGraphicsItem2 *d = SensorGraphicsItem2::editedSensor()) {
        d->setTag(text);
        d->updateLabelText();
    }
}

void MainWindow::on_sensor_changed()
{
    noteChange();
    showSensorValues();
}

void MainWindow::on_sensor_selectionChange(const QItemSelection &, const QItemSelection &)
{
    ui->objectGroup->show();
    ui->sensorGroup->show();
    ui->sensorPanel->hide();
    QItemSelectionModel *selection = ui->sensorsList->selectionModel();
    const QSignalBlocker block(selection);
    const QModelIndexList rows = selection->selectedRows();
    const int row = rows.size() == 1 ? rows.first().row() : -1;
    if (row >= 0 && row < sensors.size()) {
        SensorGraphicsItem2 *d = sensors.at(row);
        if (d != SensorGraphicsItem2::editedSensor()) {
            if (editingItem)
                editingItem->stopEdit();
            d->startEdit();
        }
        ui->sensorPanel->show();
        ui->objectGroup->hide();
        showSensorValues();
    } else if (editingItem) {
        editingItem->stopEdit();
    }
}
