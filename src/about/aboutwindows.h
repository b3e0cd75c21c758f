#pragma once

#include <QDialog>

namespace Ui {
class AboutWindows;
}

// The About dialog: picture, program name and version, maker, home-page link and the system
// it runs on. Modal; it deletes itself once closed.
class AboutWindows : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindows(QWidget *parent = nullptr);
    ~AboutWindows() override;

    void Set_Information_Text();
    QString Get_OS_Name() const;

private slots:
    void on_pushButton_close_clicked();

private:
    Ui::AboutWindows *ui;
};
