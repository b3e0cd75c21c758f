#pragma once

#include <QWidget>

class CommandLog;

namespace Ui {
class CommandLogPanel;
}

// The command log as the window shows it: the rows, newest last and kept in view, with Clear
// and Save as... and a line that says how a save went.
class CommandLogPanel : public QWidget
{
    Q_OBJECT

public:
    explicit CommandLogPanel(CommandLog *log, QWidget *parent = nullptr);
    ~CommandLogPanel() override;

    void retranslate();
    // Writes the rows to the file as CSV and says in the panel how it went.
    bool save(const QString &path);

private slots:
    void on_pushButton_Log_Clear_clicked();
    void on_pushButton_Log_Save_clicked();

private:
    Ui::CommandLogPanel *ui;
    CommandLog *m_log;
};
