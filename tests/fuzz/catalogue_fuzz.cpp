// Any bytes as a compiled catalogue: when the check passes them, QTranslator loads them and
// every lookup stays inside them. The bytes end at a page no one may read, so a lookup that
// runs past the end faults at once instead of reading a neighbour's memory unseen.

#include "translations.h"

#include <QTranslator>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What the window asks for, in the contexts it asks in, and some texts it never asks for.
const char *const Contexts[] = {"MainWindow", "AboutWindows", "", "QShortcut"};
const char *const Texts[] = {"&File",       "Connect", "Play", "Open failed", "Connection lost",
                             " (not sent)", "Mute",    "",     "Ctrl+Q"};

class GuardedCopy
{
public:
    explicit GuardedCopy(const std::uint8_t *data, std::size_t size)
    {
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        m_length = (size + page - 1) / page * page + page;
        m_base = static_cast<std::uint8_t *>(
            mmap(nullptr, m_length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (m_base == MAP_FAILED)
            std::abort();
        std::uint8_t *guard = m_base + m_length - page;
        mprotect(guard, page, PROT_NONE);
        m_data = guard - size;
        if (size > 0)
            std::memcpy(m_data, data, size);
    }
    ~GuardedCopy() { munmap(m_base, m_length); }
    const std::uint8_t *data() const { return m_data; }

private:
    std::uint8_t *m_base = nullptr;
    std::uint8_t *m_data = nullptr;
    std::size_t m_length = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!Translations::isSoundCatalogue(bytes))
        return 0;
    const GuardedCopy copy(data, size);
    QTranslator translator;
    if (!translator.load(copy.data(), int(size)))
        return 0;
    for (const char *context : Contexts) {
        for (const char *text : Texts) {
            (void)translator.translate(context, text);
            (void)translator.translate(context, text, "comment");
        }
    }
    return 0;
}
