// Any bytes as a compiled catalogue: when the check passes them, QTranslator loads them and
// every lookup stays inside them. libFuzzer hands each input over in a heap block of its exact
// size, so AddressSanitizer reports a lookup that reads past its end.

#include "storage/translations.h"

#include <QTranslator>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QTranslator translator;
    // Catalogues it names are looked for where there are none: those are load()'s to check.
    if (!Translations::isSoundCatalogue(QByteArrayView(data, qsizetype(size))) ||
        !translator.load(data, int(size), QStringLiteral("/nonexistent")))
        return 0;
    // What the window asks for, in the contexts it asks in, and some texts it never asks for.
    for (const char *context : {"MainWindow", "AboutWindows", "", "QShortcut"}) {
        for (const char *text : {"&File", "Connect", "Play", "Open failed", "Connection lost",
                                 " (not sent)", "Mute", "", "Ctrl+Q"}) {
            (void)translator.translate(context, text);
            (void)translator.translate(context, text, "comment");
        }
    }
    return 0;
}
