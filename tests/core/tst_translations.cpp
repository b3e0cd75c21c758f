#include "translations.h"

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
    for (qsizetype at = 16; at + 5 <= catalogue.size();) {
        const quint32 length = qFromBigEndian<quint32>(catalogue.constData() + at + 1);
        if (quint8(catalogue[at]) == tag)
            return at + 5;
        at += 5 + qsizetype(length);
    }
    return -1;
}

void put32(QByteArray &data, qsizetype at, quint32 value)
{
    qToBigEndian(value, data.data() + at);
}

QByteArray block(quint8 tag, const QByteArray &data)
{
    QByteArray bytes(5, '\0');
    bytes[0] = char(tag);
    put32(bytes, 1, quint32(data.size()));
    return bytes + data;
}

// A context table of one slot whose chain holds "MainWindow".
QByteArray contextTable(quint16 slotCount, quint16 chain)
{
    QByteArray table(2 + 2 * slotCount + 2, '\0');
    qToBigEndian(slotCount, table.data());
    if (slotCount > 0)
        qToBigEndian(chain, table.data() + 2);
    return table + '\x0a' + "MainWindow" + '\0';
}

} // namespace

// Compiled catalogues are checked before QTranslator looks anything up in them.
class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void soundCatalogue_data();
    void soundCatalogue();
    void damagedCatalogueIsPassedOver();

private:
    QByteArray built;
};

void TestTranslations::initTestCase()
{
    built = builtCatalogue();
    QVERIFY(built.size() > 1000);
}

void TestTranslations::soundCatalogue_data()
{
    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<bool>("sound");

    const qsizetype hashes = blockData(built, 0x42);
    const qsizetype messages = blockData(built, 0x69);
    QVERIFY(hashes > 0 && messages > 0);
    const quint32 messagesSize = qFromBigEndian<quint32>(built.constData() + messages - 4);
    const quint32 firstMessage = qFromBigEndian<quint32>(built.constData() + hashes + 4);

    QTest::newRow("as built") << built << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("cut in the magic number") << built.left(10) << false;
    QTest::newRow("cut by one byte") << built.chopped(1) << false;
    QTest::newRow("cut in half") << built.left(built.size() / 2) << false;

    QByteArray offset = built;
    put32(offset, hashes + 4, messagesSize);
    QTest::newRow("message past the messages") << offset << false;

    QByteArray length = built;
    QCOMPARE(quint8(built[messages + firstMessage]), quint8(3)); // a translation comes first
    put32(length, messages + firstMessage + 1, 0x7ffffffe);
    QTest::newRow("translation longer than the messages") << length << false;

    QTest::newRow("sound context table") << built + block(0x2f, contextTable(1, 1)) << true;
    QTest::newRow("context table without slots")
        << built + block(0x2f, contextTable(0, 0)) << false;
    QTest::newRow("context chain past the table")
        << built + block(0x2f, contextTable(1, 40)) << false;
    QTest::newRow("names another catalogue") << built + block(0x96, "qtbase_fr") << false;
    QTest::newRow("unknown block") << built + block(0x55, "later") << true;
}

void TestTranslations::soundCatalogue()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(bool, sound);
    QCOMPARE(Translations::isSoundCatalogue(catalogue), sound);
}

// A damaged catalogue where it is looked for first gives way to a good one further on.
void TestTranslations::damagedCatalogueIsPassedOver()
{
    QTemporaryDir working;
    QTemporaryDir program;
    QVERIFY(working.isValid() && program.isValid());
    QVERIFY(QDir::setCurrent(working.path()));
    QByteArray damaged = built;
    put32(damaged, blockData(built, 0x42) + 4, 0xfffffff0);
    QFile file(working.filePath(u"LanguageData_fr.qm"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(damaged), damaged.size());
    file.close();

    QTranslator onlyDamaged;
    QVERIFY(!Translations::load(onlyDamaged, u"LanguageData_fr"_s, program.path()));
    QVERIFY(onlyDamaged.isEmpty());

    QVERIFY(QFile::copy(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"),
                        program.filePath(u"LanguageData_fr.qm"_s)));
    QTranslator translator;
    QVERIFY(Translations::load(translator, u"LanguageData_fr"_s, program.path()));
    QCOMPARE(translator.filePath(), program.filePath(u"LanguageData_fr.qm"_s));
    QCOMPARE(translator.translate("MainWindow", "&File"), u"&Fichier"_s);
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
