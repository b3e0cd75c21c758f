#pragma once

#include <QHash>
#include <QString>

class QCommandLineParser;

// Where and to whom tessary-send sends: the options given, else what the window saved, else its
// first start.
struct Target
{
    QString port;
    int model = 1;
    QString baud;
    QString player = QStringLiteral("0"); // as given: an ID, or a name of the installation
    // Saved values the window would not take as they are, by the option that must stand for
    // them: refused unless that option is given.
    QHash<QString, QString> doubtful;

    // What the window saved; a file it did not write is said, and set aside.
    void readSaved();
    // The options' values over the saved ones; the reason when one is wrong.
    QString applyOptions(const QCommandLineParser &parser);
};

// A level such as -10 is a value, not an option: the parser is given it with a minus sign of its
// own, and here it is as typed again.
QString typed(QString argument);
