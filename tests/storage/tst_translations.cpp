#include "storage/translations.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

QByteArray builtCatalogue()
{
    QFile file(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where the data of the first block with this tag starts, after the 16-byte magic number.
qsizetype blockData(const QByteArray &catalogue, quint8 tag)
{
    qsizetype at = 16;
    while (at + 5 <= catalogue.size() && quint8(catalogue[at]) != tag)
        at += 5 + qFromBigEndian<quint32>(catalogue.constData() + at + 1);
    return at + 5;
}

QByteArray with32(QByteArray data, qsizetype at, quint32 value)
{
    qToBigEndian(value, data.data() + at);
    return data;
}

QByteArray block(char tag, const QByteArray &data)
{
    return tag + with32(QByteArray(4, '\0'), 0, quint32(data.size())) + data;
}

// A block of contexts: a table of one slot whose chain, at the given offset, holds "MainWindow".
QByteArray contexts(quint16 slotCount, quint16 chain, const QByteArray &end = {1, '\0'})
{
    const QByteArray table = with32(QByteArray(4, '\0'), 0, quint32(slotCount) << 16 | chain);
    return block('\x2f', table.left(2 + 2 * qMin<int>(slotCount, 1)) + QByteArray(2, '\0') +
                             "\nMainWindow" + end);
}

// A block naming another catalogue, loaded along with this one: a string as QDataStream has it.
QByteArray naming(const char *catalogue)
{
    QByteArray name;
    QDataStream stream(&name, QIODevice::WriteOnly);
    stream << QString::fromLatin1(catalogue);
    return block('\x96', name);
}

} // namespace

// Compiled catalogues are checked before QTranslator looks anything up in them.
class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void soundCatalogue_data();
    void soundCatalogue();
    void damagedCatalogueIsPassedOver();
};

void TestTranslations::soundCatalogue_data()
{
    const QByteArray built = builtCatalogue();
    const qsizetype hashes = blockData(built, 0x42);
    const qsizetype messages = blockData(built, 0x69);
    const quint32 messagesSize = qFromBigEndian<quint32>(built.constData() + messages - 4);
    const quint32 firstMessage = qFromBigEndian<quint32>(built.constData() + hashes + 4);
    QCOMPARE(built.mid(messages + firstMessage, 1), "\x03");     // a translation comes first
    QCOMPARE(built.mid(messages + messagesSize - 1, 1), "\x01"); // the last message's end
    QByteArray unended = built;
    unended.remove(messages + messagesSize - 1, 1);

    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<bool>("sound");
    QTest::newRow("as built") << built << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("cut in the magic number") << built.left(10) << false;
    QTest::newRow("cut by one byte") << built.chopped(1) << false;
    QTest::newRow("message past the messages") << with32(built, hashes + 4, messagesSize) << false;
    QTest::newRow("translation longer than the messages")
        << with32(built, messages + firstMessage + 1, 0x7ffffffe) << false;
    // QTranslator takes a message that runs to the end of its block as ended there.
    QTest::newRow("last message without its end")
        << with32(unended, messages - 4, messagesSize - 1) << true;
    QTest::newRow("sound contexts") << built + contexts(1, 1) << true;
    QTest::newRow("contexts without slots") << built + contexts(0, 0) << false;
    QTest::newRow("context chain past the table") << built + contexts(1, 40) << false;
    QTest::newRow("context chain without its end") << built + contexts(1, 1, {}) << false;
    QTest::newRow("unknown block") << built + "\x55\0\0\0\0"_ba << true;
    QTest::newRow("a header alone") << built.left(16) << false;
    // Older catalogues may carry a field of four bytes that QTranslator skips.
    QTest::newRow("a message with an obsolete field")
        << built.left(16) + block('\x42', QByteArray(8, '\0')) +
               block('\x69', "\x05\0\0\0\0\x01"_ba)
        << true;
    // QTranslator reads the blocks in any order.
    QTest::newRow("messages before the hashes")
        << built.left(16) + built.mid(messages - 5, messagesSize + 5) +
               built.mid(16, messages - 21) + built.mid(messages + messagesSize)
        << true;
    QTest::newRow("names another catalogue") << built + naming("LanguageData_en") << true;
    QTest::newRow("a name past its block") << built + with32(naming("x"), 5, 9) << false;
}

void TestTranslations::soundCatalogue()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(bool, sound);
    QCOMPARE(Translations::isSoundCatalogue(catalogue), sound);
}

// A damaged or empty catalogue where it is looked for first, or one that names a damaged one,
// gives way to a good one further on.
void TestTranslations::damagedCatalogueIsPassedOver()
{
    QTemporaryDir working, program;
    QVERIFY(QDir::setCurrent(working.path()));
    const QByteArray built = builtCatalogue();
    const auto put = [&working](const char *name, const QByteArray &bytes) {
        QFile file(working.filePath(QLatin1String(name)));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(put("LanguageData_xx.qm", with32(built, blockData(built, 0x42) + 4, 0xfffffff0)));
    for (const QByteArray &first :
         {built.left(16),
          built.left(16) + "\xa7\0\0\0\x02"
                           "fr"_ba,
          built + naming("LanguageData_xx"), built + naming("LanguageData_fr")}) {
        QVERIFY(put("LanguageData_fr.qm", first));
        QTranslator translator;
        QVERIFY(!Translations::load(translator, u"LanguageData_fr"_s, program.path()));
        QVERIFY(QFile::copy(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"),
                            program.filePath(u"LanguageData_fr.qm"_s)));
        QVERIFY(Translations::load(translator, u"LanguageData_fr"_s, program.path()));
        QCOMPARE(translator.translate("MainWindow", "&File"), u"&Fichier"_s);
        QFile::remove(program.filePath(u"LanguageData_fr.qm"_s));
    }
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
