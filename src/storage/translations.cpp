#include "storage/translations.h"

#include "process/constants.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTranslator>
#include <QtEndian>
#include <algorithm>
#include <array>

namespace Translations {

namespace {

// A catalogue of ours is a few kilobytes; reading a huge file would only slow the start.
constexpr qint64 MaxCatalogueSize = 4 * 1024 * 1024;

// The compiled catalogue: a 16-byte magic number, then blocks of a tag byte, a big-endian
// 32-bit length and the data.
constexpr std::array<quint8, 16> Magic{0x3c, 0xb8, 0x64, 0x18, 0xca, 0xef, 0x9c, 0x95,
                                       0xcd, 0x21, 0x1c, 0xbf, 0x60, 0xa1, 0xbd, 0xdd};
enum Block : quint8 {
    Contexts = 0x2f,
    Hashes = 0x42,
    Messages = 0x69,
    NumerusRules = 0x88,
    Dependencies = 0x96,
    Language = 0xa7,
};
// The fields of one message in the Messages block.
enum Field : quint8 {
    End = 1,
    Translation = 3,
    Obsolete1 = 5,
    SourceText = 6,
    Context = 7,
    Comment = 8,
};

quint32 read32(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.data() + at);
}

quint16 read16(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.data() + at);
}

// A message is read field by field until End or a field the reader does not know.
bool isSoundMessage(QByteArrayView messages, qsizetype at)
{
    const qsizetype end = messages.size();
    while (at < end) {
        switch (quint8(messages[at++])) {
        case Translation:
        case SourceText:
        case Context:
        case Comment: {
            if (end - at < 4)
                return false;
            const quint32 length = read32(messages, at);
            at += 4;
            if (length > quint32(end - at))
                return false;
            at += qsizetype(length);
            break;
        }
        case Obsolete1:
            if (end - at < 4)
                return false;
            at += 4;
            break;
        default:
            return true;
        }
    }
    return true;
}

bool isSoundHashTable(QByteArrayView hashes, QByteArrayView messages)
{
    if (hashes.size() % 8 != 0)
        return false;
    for (qsizetype entry = 0; entry < hashes.size(); entry += 8) {
        const quint32 offset = read32(hashes, entry + 4);
        if (offset >= quint32(messages.size()) || !isSoundMessage(messages, qsizetype(offset)))
            return false;
    }
    return true;
}

// A hash table of 16-bit slots, each naming a chain of length-prefixed context names that
// ends with a zero length.
bool isSoundContextTable(QByteArrayView contexts)
{
    if (contexts.size() < 2)
        return false;
    const qsizetype slotCount = read16(contexts, 0);
    const qsizetype chains = 2 + 2 * slotCount;
    if (slotCount == 0 || chains > contexts.size())
        return false;
    for (qsizetype slot = 0; slot < slotCount; ++slot) {
        const quint16 chain = read16(contexts, 2 + 2 * slot);
        if (chain == 0)
            continue;
        qsizetype at = chains + 2 * qsizetype(chain);
        for (;;) {
            if (at >= contexts.size())
                return false;
            const quint8 length = quint8(contexts[at++]);
            if (length == 0)
                break;
            if (length > contexts.size() - at)
                return false;
            at += length;
        }
    }
    return true;
}

// A sequence of strings as QDataStream writes them: a 32-bit length in bytes, or all ones for a
// null string, then that many bytes of UTF-16.
bool isSoundStringList(QByteArrayView strings)
{
    for (qsizetype at = 0; at < strings.size();) {
        if (strings.size() - at < 4)
            return false;
        const quint32 length = read32(strings, at);
        at += 4;
        if (length == 0xffffffff)
            continue;
        if (length % 2 != 0 || length > quint32(strings.size() - at))
            return false;
        at += qsizetype(length);
    }
    return true;
}

// The catalogues named in a sound catalogue's dependencies block, read as QTranslator reads them.
QStringList dependencies(QByteArrayView data)
{
    QStringList names;
    for (qsizetype at = qsizetype(Magic.size()); at + 5 <= data.size();) {
        const qsizetype length = qsizetype(read32(data, at + 1));
        if (quint8(data[at]) == Dependencies) {
            QDataStream stream(QByteArray::fromRawData(data.data() + at + 5, length));
            while (!stream.atEnd()) {
                QString name;
                stream >> name;
                names << name;
            }
        }
        at += 5 + length;
    }
    return names;
}

QByteArray readCatalogue(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.read(MaxCatalogueSize + 1);
    return data.size() > MaxCatalogueSize ? QByteArray() : data;
}

} // namespace

QString catalogueName(const QString &localeName)
{
    return LanguageFilePrefix + localeName.section(QLatin1Char('_'), 0, 0);
}

QStringList searchDirectories(const QString &applicationDir)
{
    const QDir program(applicationDir);
    return {QString(), program.path(),
            QDir::cleanPath(program.filePath(QStringLiteral("../share/tessary/translations")))};
}

// The file QTranslator::load(name, directory) would read: the name with ".qm", then as it is,
// then cut at its last '_' or '.' and tried again. Found here, not by a QTranslator, which would
// load the catalogues a file names before it could be checked, and loop on one naming itself.
QString resolve(const QString &name, const QString &directory)
{
    QString prefix;
    if (QFileInfo(name).isRelative() && !directory.isEmpty())
        prefix = directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    QString stem = name;
    for (;;) {
        for (const QString &path : {prefix + stem + QLatin1String(".qm"), prefix + stem}) {
            const QFileInfo file(path);
            if (file.isReadable() && file.isFile())
                return path;
        }
        const qsizetype cut =
            qMax(stem.lastIndexOf(QLatin1Char('_')), stem.lastIndexOf(QLatin1Char('.')));
        if (cut <= 0)
            return {};
        stem.truncate(cut);
    }
}

// The catalogue found under that name in the folder, when it and every catalogue it names are
// sound; its path, or nothing.
QString findSound(const QString &catalogue, const QString &directory, int depth = 0)
{
    const QString path = depth > 4 ? QString() : resolve(catalogue, directory);
    const QByteArray data = path.isEmpty() ? QByteArray() : readCatalogue(path);
    if (!isSoundCatalogue(data))
        return {};
    // QTranslator looks for the catalogues named inside in the folder it was given.
    const QStringList named = dependencies(data);
    for (const QString &dependency : named) {
        if (findSound(dependency, directory, depth + 1).isEmpty())
            return {};
    }
    return path;
}

bool load(QTranslator &translator, const QString &catalogue, const QString &applicationDir)
{
    const QStringList directories = searchDirectories(applicationDir);
    for (const QString &directory : directories) {
        const QString path = findSound(catalogue, directory);
        // One that holds no text is passed over, so that a fuller one further along is used.
        if (!path.isEmpty() && translator.load(QFileInfo(path).fileName(), directory) &&
            !translator.isEmpty())
            return true;
    }
    return false;
}

bool isSoundCatalogue(QByteArrayView data)
{
    // A header alone is no catalogue.
    if (data.size() <= qsizetype(Magic.size()) ||
        !std::equal(Magic.begin(), Magic.end(), reinterpret_cast<const quint8 *>(data.data())))
        return false;
    QByteArrayView hashes;
    QByteArrayView messages;
    QByteArrayView contexts;
    bool hasContexts = false;
    for (qsizetype at = qsizetype(Magic.size()); at < data.size();) {
        if (data.size() - at < 5)
            return false;
        const quint8 tag = quint8(data[at]);
        const quint32 length = read32(data, at + 1);
        at += 5;
        if (length > quint32(data.size() - at))
            return false;
        const QByteArrayView block = data.sliced(at, qsizetype(length));
        at += qsizetype(length);
        switch (tag) {
        case Hashes:
            hashes = block;
            break;
        case Messages:
            messages = block;
            break;
        case Contexts:
            contexts = block;
            hasContexts = true;
            break;
        case Dependencies:
            // The catalogues named here are loaded along with this one; load() checks them.
            if (!isSoundStringList(block))
                return false;
            break;
        default:
            break;
        }
    }
    return isSoundHashTable(hashes, messages) && (!hasContexts || isSoundContextTable(contexts));
}

} // namespace Translations
