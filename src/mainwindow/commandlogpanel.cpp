#include "mainwindow/commandlogpanel.h"

#include "command/commandlog.h"
#include "ui_commandlogpanel.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

CommandLogPanel::CommandLogPanel(CommandLog *log, QWidget *parent)
    : QWidget(parent), ui(new Ui::CommandLogPanel), m_log(log)
{
    ui->setupUi(this);
    QTableView *view = ui->tableView_Log;
    view->setModel(log);
    // Rows of one height and columns of fixed widths (set with the texts): a new row costs no
    // measuring.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(QFontMetrics(view->font()).height() + 4);
    // Room for several rows, wherever the log is.
    view->setMinimumHeight(view->horizontalHeader()->sizeHint().height() +
                           4 * view->verticalHeader()->defaultSectionSize() +
                           2 * view->frameWidth());
    // The newest row stays in view while the view is at the bottom.
    connect(log, &CommandLog::rowsAboutToBeInserted, this, [this, view] {
        const QScrollBar *bar = view->verticalScrollBar();
        if (isVisible() && bar->value() >= bar->maximum())
            QMetaObject::invokeMethod(view, &QTableView::scrollToBottom, Qt::QueuedConnection);
    });
}

CommandLogPanel::~CommandLogPanel()
{
    delete ui;
}

void CommandLogPanel::retranslate()
{
    ui->retranslateUi(this);
    // Wide enough for what each column holds most of the time, in the language shown: a longer
    // source (an address) or a refused request is cut short, and whole in its tooltip. The
    // outcome takes the rest, so that the log needs no sideways scroll.
    const QFontMetrics metrics(ui->tableView_Log->font());
    const auto command = [](const char *name, const char *value) {
        return QCoreApplication::translate("MainWindow", name) + QLatin1Char(' ') +
               QLatin1String(value);
    };
    const QString widest[][2] = {
        {QStringLiteral("00:00:00.000")},
        {QStringLiteral("tessary-send"), QCoreApplication::translate("CommandLog", "window")},
        {m_log->headerData(CommandLog::Player, Qt::Horizontal, Qt::DisplayRole).toString()},
        {command("Load folder", "999"), command("Volume", "-31 dB")},
        {QStringLiteral("00 00 00 00")}};
    for (int column = 0; column < CommandLog::Outcome; ++column)
        ui->tableView_Log->setColumnWidth(column,
                                          qMax(metrics.horizontalAdvance(widest[column][0]),
                                               metrics.horizontalAdvance(widest[column][1])) +
                                              16);
    // The outcome takes what is left, however little: it never pushes the view sideways.
    QHeaderView *header = ui->tableView_Log->horizontalHeader();
    header->setStretchLastSection(false);
    header->resizeSection(CommandLog::Outcome, header->minimumSectionSize());
    header->setStretchLastSection(true);
}

bool CommandLogPanel::save(const QString &path)
{
    QString why;
    const bool saved = m_log->saveCsv(path, &why);
    ui->label_Log_Message->setText(saved ? tr("Saved to %1").arg(path)
                                         : tr("Not saved: %1").arg(why));
    return saved;
}

void CommandLogPanel::on_pushButton_Log_Clear_clicked()
{
    m_log->clear();
    ui->label_Log_Message->clear();
}

void CommandLogPanel::on_pushButton_Log_Save_clicked()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save the command log"),
                                     QStringLiteral("tessary-log.csv"), tr("CSV files (*.csv)"));
    if (!path.isEmpty())
        save(path);
}
