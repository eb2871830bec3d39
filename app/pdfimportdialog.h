#pragma once

#include <QDialog>

class PdfPlan;

namespace Ui {
class PdfImportDialog;
}

// "Импорт плана из PDF": the page with its preview, the resolution with the
// image size it gives (a size over the plan image cap cannot be accepted), and
// the drawing's scale, empty when the plan is to be calibrated by hand.
class PdfImportDialog : public QDialog
{
    Q_OBJECT

public:
    PdfImportDialog(const PdfPlan &pdf, QWidget *parent);
    ~PdfImportDialog() override;

    int page() const;
    int dpi() const;
    // N of the scale 1:N; 0 when none is given.
    double drawingScale() const;
    // Whether the choice can be accepted: the image fits the cap and the scale
    // field is empty or holds a positive number.
    bool isAcceptable() const;

private:
    void showPage();
    void showSize();
    void updateAcceptable();

    const PdfPlan &pdf;
    Ui::PdfImportDialog *ui;
};
