// zvticket-paperbench: how long the slot preview takes to build its Text and Hex tabs, to open on
// its Paper tab, and then to show its Ticket tab, with a VELMAR's whole space (20 480 bytes) in the
// slot and in each of H, B and F, for print files of several kinds. Each kind is opened twice: the
// first opening of all also registers the embedded font. Prints one line per opening; the target is
// under 200 ms.

#include "papertabs.h"
#include "scripteddialogservice.h"
#include "settingsstore.h"
#include "slotpreview.h"
#include "ticketproject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

constexpr int SlotSize = 20480;

QByteArray repeated(const QByteArray &piece)
{
    QByteArray bytes;
    while (bytes.size() < SlotSize)
        bytes += piece;
    return bytes.left(SlotSize);
}

QList<QPair<const char *, QByteArray>> printFiles()
{
    QByteArray random(SlotSize, 0);
    QRandomGenerator generator(21);
    for (char &byte : random)
        byte = char(generator.bounded(256));
    QByteArray raster("\x1dv0\x00\x48\x00\x18\x01", 8);
    raster += QByteArray(SlotSize - raster.size(), '\x55');
    return {{"text lines", repeated("001   GRAVEL 8/16        11.320 kg      \r\n")},
            {"line feeds", QByteArray(SlotSize, '\n')},
            {"bold toggles", repeated("\x1b"
                                      "E\x01"
                                      "A\x1b"
                                      "E")},
            {"form feeds", QByteArray(SlotSize, '\f')},
            {"random bytes", random},
            {"raster image", raster}};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    ScriptedDialogService dialogs;
    for (int round = 1; round <= 2; ++round) {
        for (const auto &[name, bytes] : printFiles()) {
            TicketProject project;
            for (int n = TicketProject::T; n <= TicketProject::F; ++n)
                project.setSlot(n, {bytes, QString(), QString(), bytes.size()});
            QElapsedTimer timer;
            timer.start();
            SlotPreview preview(QStringLiteral("H"), bytes);
            const qint64 textAndHex = timer.restart();
            auto *tabs = preview.findChild<QTabWidget *>();
            PaperTabs::addTo(tabs, bytes, project, PaperTabs::ShownSet::Totalize, settings,
                             dialogs);
            tabs->setCurrentIndex(2);
            preview.show();
            preview.grab();
            const qint64 paper = timer.restart();
            tabs->setCurrentIndex(3);
            preview.grab();
            std::printf("paperbench: %-12s round %d text_hex_ms=%lld paper_ms=%lld "
                        "ticket_ms=%lld\n",
                        name, round, textAndHex, paper, timer.elapsed());
        }
    }
    return 0;
}
