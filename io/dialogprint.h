#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>

class QPrinter;

namespace Ui {
class DialogPrint;
}

// Page setup before a PDF is written: edits the paper size and orientation of the printer
// directly. The size starts at A4 every time the dialog opens; the orientation is read from the
// printer, so it carries over from one export to the next.
class DialogPrint : public QDialog
{
    Q_OBJECT

public:
    explicit DialogPrint(QPrinter *printer, QWidget *parent = nullptr);
    ~DialogPrint() override;

    // The "Карта покрытия" box: the page shows the coverage map, its legend
    // and figures instead of the detectors' zones. Unticked at first; a
    // project without an outline has no map, and the box is disabled.
    bool coverageMap() const;
    void setCoverageMap(bool on);
    void setCoverageMapAvailable(bool available);

private slots:
    void on_print_clicked();
    void on_close_clicked();
    void on_orientationLandscape_clicked(bool checked);
    void on_orientationPortrait_clicked(bool checked);
    void on_paperSize_currentIndexChanged(int index);

private:
    Ui::DialogPrint *ui;
    QPrinter *printer;
    QList<QPageSize> pageSizes;
};
