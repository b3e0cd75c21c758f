#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 RtIcon = 3;
constexpr quint16 RtGroupIcon = 14;
constexpr quint16 RtManifest = 24;
constexpr quint16 EnglishUnitedStates = 0x0409;

struct Resource
{
    quint16 type = 0; // ordinal
    QString name;     // a number as text for an ordinal name
    quint16 language = 0;
    QByteArray data;
};

QString readNameOrOrdinal(QDataStream &in)
{
    quint16 first = 0;
    in >> first;
    if (first == 0xFFFF) {
        quint16 ordinal = 0;
        in >> ordinal;
        return QString::number(ordinal);
    }
    QString name;
    for (quint16 c = first; c != 0 && in.status() == QDataStream::Ok; in >> c)
        name += QChar(c);
    return name;
}

// The entries of a compiled resource file (.res), in file order.
QList<Resource> readResources(const QByteArray &file)
{
    QList<Resource> resources;
    QDataStream in(file);
    in.setByteOrder(QDataStream::LittleEndian);
    while (!in.atEnd() && in.status() == QDataStream::Ok) {
        const qint64 start = in.device()->pos();
        quint32 dataSize = 0, headerSize = 0;
        in >> dataSize >> headerSize;
        Resource resource;
        resource.type = readNameOrOrdinal(in).toUShort();
        resource.name = readNameOrOrdinal(in);
        // The header ends with version (4), flags (2), language (2), version (4), traits (4).
        in.device()->seek(start + headerSize - 12);
        quint16 flags = 0;
        in >> flags >> resource.language;
        in.device()->seek(start + headerSize);
        resource.data = in.device()->read(dataSize);
        in.device()->seek(start + headerSize + ((dataSize + 3) & ~3u));
        if (dataSize > 0)
            resources << resource;
    }
    return resources;
}

} // namespace

// The program icon and the manifest that the Windows executable carries, checked by compiling
// the resource script with the MinGW resource compiler.
class TestWindowsResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void iconGroup();
    void manifest();

private:
    QList<Resource> resources;
};

void TestWindowsResources::initTestCase()
{
    const QString windres = QStringLiteral(TESSARY_WINDRES);
    if (windres.isEmpty())
        QFAIL("x86_64-w64-mingw32-windres not found: install binutils-mingw-w64-x86-64");
    QTemporaryDir scratch;
    const QString res = scratch.filePath(u"tessary.res"_s);
    QProcess compiler;
    compiler.setWorkingDirectory(QStringLiteral(TESSARY_RC_DIR));
    compiler.start(windres,
                   {u"--preprocessor=cpp"_s, u"-O"_s, u"res"_s, u"tessary.rc"_s, u"-o"_s, res});
    QVERIFY(compiler.waitForFinished(60000));
    QVERIFY2(compiler.exitCode() == 0, compiler.readAllStandardError().constData());
    QFile file(res);
    QVERIFY(file.open(QIODevice::ReadOnly));
    resources = readResources(file.readAll());
    QVERIFY(!resources.isEmpty());
}

void TestWindowsResources::iconGroup()
{
    const auto group = std::find_if(resources.cbegin(), resources.cend(),
                                    [](const Resource &r) { return r.type == RtGroupIcon; });
    QVERIFY(group != resources.cend());
    QCOMPARE(group->name, u"IDI_ICON1"_s);
    QCOMPARE(group->language, EnglishUnitedStates);

    QDataStream in(group->data);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 0, type = 0, count = 0;
    in >> reserved >> type >> count;
    QCOMPARE(type, quint16(1));
    QCOMPARE(count, quint16(9));

    // Size and bits per pixel, in the order Windows picks from.
    const QList<QPair<int, int>> expected{{32, 4},   {16, 4},  {48, 8},  {32, 8}, {16, 8},
                                          {256, 32}, {48, 32}, {32, 32}, {16, 32}};
    for (const auto &[size, bits] : expected) {
        quint8 width = 0, height = 0, colours = 0, zero = 0;
        quint16 planes = 0, bitCount = 0, id = 0;
        quint32 bytes = 0;
        in >> width >> height >> colours >> zero >> planes >> bitCount >> bytes >> id;
        QCOMPARE(int(width ? width : 256), size);
        QCOMPARE(int(height ? height : 256), size);
        QCOMPARE(int(bitCount), bits);
        QCOMPARE(int(colours), bits == 4 ? 16 : 0);

        const auto image =
            std::find_if(resources.cbegin(), resources.cend(), [id](const Resource &r) {
                return r.type == RtIcon && r.name == QString::number(id);
            });
        QVERIFY(image != resources.cend());
        QCOMPARE(quint32(image->data.size()), bytes);
        if (size == 256) {
            QVERIFY(image->data.startsWith("\x89PNG\r\n\x1a\n"));
        } else {
            QDataStream header(image->data);
            header.setByteOrder(QDataStream::LittleEndian);
            quint32 headerSize = 0;
            qint32 bmpWidth = 0, bmpHeight = 0;
            quint16 bmpPlanes = 0, bmpBits = 0;
            header >> headerSize >> bmpWidth >> bmpHeight >> bmpPlanes >> bmpBits;
            QCOMPARE(headerSize, quint32(40));
            QCOMPARE(bmpWidth, size);
            QCOMPARE(bmpHeight, 2 * size); // colours and mask
            QCOMPARE(int(bmpBits), bits);
        }
    }
}

void TestWindowsResources::manifest()
{
    const auto manifest = std::find_if(resources.cbegin(), resources.cend(),
                                       [](const Resource &r) { return r.type == RtManifest; });
    QVERIFY(manifest != resources.cend());
    QCOMPARE(manifest->name, u"1"_s);
    QCOMPARE(manifest->language, EnglishUnitedStates);

    QXmlStreamReader xml(manifest->data);
    bool executionLevel = false, commonControls = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("requestedExecutionLevel")) {
            QCOMPARE(attributes.value(QLatin1String("level")), QLatin1String("asInvoker"));
            QCOMPARE(attributes.value(QLatin1String("uiAccess")), QLatin1String("false"));
            executionLevel = true;
        }
        if (xml.name() == QLatin1String("assemblyIdentity") &&
            attributes.value(QLatin1String("name")) ==
                QLatin1String("Microsoft.Windows.Common-Controls")) {
            QCOMPARE(attributes.value(QLatin1String("version")), QLatin1String("6.0.0.0"));
            commonControls = true;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(executionLevel);
    QVERIFY(commonControls);
}

QTEST_GUILESS_MAIN(TestWindowsResources)
#include "tst_windowsresources.moc"
