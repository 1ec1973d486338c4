#include "transferbenchmark.h"

#include "deviceconnection.h"
#include "devicelink.h"
#include "deviceprogrammer.h"
#include "devicereader.h"
#include "deviceserverthread.h"
#include "devicesession.h"
#include "scripteddialogservice.h"
#include "ticketproject.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <vector>

namespace
{

constexpr int BitsPerCharacter = 10;
constexpr int RateWithoutEmulation = 19200; // port setting; sets the class-1 pause only

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Exchange {
    qint64 sentNs;
    qsizetype commandLength;
    qsizetype replyLength = 0;
    qint64 handledNs = 0; // the device has the whole command line
    qint64 repliedNs = 0; // the link has the whole reply
};

double medianUs(std::vector<qint64> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + qsizetype(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return double(*middle) / 1000;
}

// The value below which `fraction` of the values lie (nearest rank).
double percentileUs(std::vector<qint64> values, double fraction)
{
    if (values.empty())
        return 0;
    const auto rank = values.begin() + qsizetype(fraction * double(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), rank, values.end());
    return double(*rank) / 1000;
}

// When the device had each command: written by the server's thread while the link waits for the
// reply, read by the link's thread once the reply has come.
struct HandledTimes {
    static constexpr size_t capacity = 1 << 17; // more than two full class-8 transfers
    std::unique_ptr<std::atomic<qint64>[]> times =
        std::make_unique<std::atomic<qint64>[]>(capacity);
    std::atomic<size_t> count = 0;

    void note(qint64 ns)
    {
        const size_t n = count.load(std::memory_order_relaxed);
        if (n < capacity) {
            times[n].store(ns, std::memory_order_relaxed);
            count.store(n + 1, std::memory_order_release);
        }
    }
    // 0 when the device has not had that command (yet).
    qint64 at(size_t index) const
    {
        return index < count.load(std::memory_order_acquire)
                   ? times[index].load(std::memory_order_relaxed)
                   : 0;
    }
};

// The commands of the measured procedures as the link saw them, and the time they took.
struct Recording {
    std::vector<Exchange> exchanges;
    // Wall time of each command runs from its sending to the next command's sending (or to the
    // end of its procedure), so the procedure's own work between commands is counted.
    std::vector<qint64> wallNs;
    qint64 totalWallNs = 0;
    qint64 totalCpuNs = 0;
};

// A project that fills the device, spread over T, H, B and F.
void fillDevice(TicketProject &project, qint64 space)
{
    QRandomGenerator random(0x5A56);
    qint64 offset = 0;
    for (int n = 1; n <= 4; ++n) {
        const qint64 length = space * n / 4 - offset;
        QByteArray bytes(length, Qt::Uninitialized);
        for (qint64 i = 0; i < length; ++i)
            bytes[i] = char(random.bounded(256));
        project.setSlot(n, {bytes, QStringLiteral("bench"), {}, length});
        offset += length;
    }
}

// Runs one procedure on the calling thread and adds its commands' wall times and its CPU time.
template <typename Procedure>
void measure(Recording &recording, const QElapsedTimer &clock, Procedure &&procedure)
{
    const size_t first = recording.exchanges.size();
    const qint64 cpu = threadCpuNs();
    const qint64 start = clock.nsecsElapsed();
    procedure();
    const qint64 end = clock.nsecsElapsed();
    recording.totalCpuNs += threadCpuNs() - cpu;
    recording.totalWallNs += end - start;
    const std::vector<Exchange> &exchanges = recording.exchanges;
    for (size_t i = first; i < exchanges.size(); ++i)
        recording.wallNs.push_back((i + 1 < exchanges.size() ? exchanges[i + 1].sentNs : end) -
                                   exchanges[i].sentNs);
}

// Relates each exchange to the least time the line needs for it. Classes 0 and 1 take a command
// one character at a time with the link's pause after each; the device answers as soon as the
// last character has arrived, so the reply overlaps the pause after that character.
void analyseLineTime(const Recording &recording, qint64 characterNs, qint64 pauseNs, bool paced,
                     TransferBenchmark::Result &result)
{
    qint64 totalWireNs = 0;
    std::vector<qint64> overheadNs, toDeviceNs, fromDeviceNs, turnaroundNs;
    for (size_t i = 0; i < recording.exchanges.size(); ++i) {
        const Exchange &e = recording.exchanges[i];
        // The device takes in each character as soon as it reads it and answers once the last
        // one would have arrived and the reply would have left.
        qint64 pacing = 0;
        qint64 deviceWait = (e.commandLength + e.replyLength) * characterNs;
        qint64 wire = deviceWait;
        if (paced) {
            pacing = (e.commandLength - 1) * pauseNs;
            deviceWait = (1 + e.replyLength) * characterNs;
            wire = std::max(e.commandLength * pauseNs, pacing + deviceWait);
        }
        totalWireNs += wire;
        overheadNs.push_back(recording.wallNs[i] - wire);
        if (e.handledNs > 0 && e.repliedNs > 0) {
            // The link takes the reply once it is due and the link's own pacing has ended.
            const qint64 readyNs = std::max(e.handledNs + deviceWait,
                                            e.sentNs + (paced ? e.commandLength * pauseNs : 0));
            toDeviceNs.push_back(e.handledNs - e.sentNs - pacing);
            fromDeviceNs.push_back(e.repliedNs - readyNs);
            turnaroundNs.push_back(e.sentNs + recording.wallNs[i] - e.repliedNs);
        }
    }
    result.commands = qsizetype(recording.exchanges.size());
    result.overheadUs = medianUs(overheadNs);
    result.toDeviceUs = medianUs(toDeviceNs);
    result.fromDeviceUs = medianUs(fromDeviceNs);
    result.turnaroundUs = medianUs(turnaroundNs);
    const qint64 wall = recording.totalWallNs;
    result.wallOverWire = totalWireNs > 0 ? double(wall) / double(totalWireNs) : 0;
    result.cpuOverWall = wall > 0 ? double(recording.totalCpuNs) / double(wall) : 0;
}

// Why the transfers do not count: a procedure failed, a slot came back different, or a message
// was shown; empty when all went right.
QString transferProblem(TransferResult::Outcome programmed, TransferResult::Outcome read,
                        const TicketProject &project, const QByteArrayList &written,
                        const ScriptedDialogService &dialogs)
{
    QString problem;
    if (programmed != TransferResult::Outcome::Programmed)
        problem = QStringLiteral("programming did not succeed");
    else if (read != TransferResult::Outcome::Read)
        problem = QStringLiteral("reading did not succeed");
    for (int n = 1; n <= 4 && problem.isEmpty(); ++n) {
        if (project.contents(n) != written.at(n - 1))
            problem = QStringLiteral("slot %1 read back differently").arg(n);
    }
    if (!dialogs.messages.isEmpty())
        problem += QStringLiteral(" (message: %1)").arg(dialogs.messages.first().text);
    return problem;
}

} // namespace

TransferBenchmark::TransferBenchmark(SimulatedDevice::Model model, int lineRate)
    : m_model(model), m_lineRate(lineRate)
{
}

TransferBenchmark::Result TransferBenchmark::run()
{
    Result result;
    QElapsedTimer clock;
    clock.start();
    HandledTimes handled;
    DeviceLink link;
    link.setLineSettings(
        {m_lineRate > 0 ? m_lineRate : RateWithoutEmulation, LineSettings::Parity::None, 8, 1});
    DeviceServerThread server(m_model, SimulatedDevice::Application::Industrial, m_lineRate);
    server.setCommandObserver([&] { handled.note(clock.nsecsElapsed()); });
    // The older ZORLA is the one device of class 1, and the only one given characters singly.
    if (m_model == SimulatedDevice::Model::ZorlaOld)
        server.setPauseAfterCharacter(
            std::chrono::duration_cast<std::chrono::nanoseconds>(link.characterPause()).count());
    QString error;
    if (!server.startServer(&error)) {
        result.problem = error;
        return result;
    }

    ScriptedDialogService dialogs;
    TicketProject project;
    DeviceSession session(link, dialogs);
    DeviceConnection connection(session);
    link.setPortName(server.slavePath());
    connection.toggle();
    const int deviceClass = int(link.deviceClass());
    result.name = QStringLiteral("%1-%2")
                      .arg(deviceClass)
                      .arg(m_lineRate > 0 ? QString::number(m_lineRate) : QStringLiteral("none"));
    if (!session.isConnected()) {
        result.problem = QStringLiteral("identification failed");
        return result;
    }
    fillDevice(project, session.identity().space);

    Recording recording;
    recording.exchanges.reserve(2 * session.identity().space + 64);
    const size_t handledBefore = handled.count.load(); // the identification
    QObject::connect(&link, &DeviceLink::commandSent, [&](const QByteArray &command) {
        recording.exchanges.push_back({clock.nsecsElapsed(), command.size()});
    });
    QObject::connect(&link, &DeviceLink::replyCompleted, [&](const QByteArray &reply) {
        std::vector<Exchange> &exchanges = recording.exchanges;
        if (exchanges.empty())
            return;
        exchanges.back().replyLength = reply.size();
        exchanges.back().repliedNs = clock.nsecsElapsed();
        exchanges.back().handledNs = handled.at(handledBefore + exchanges.size() - 1);
    });

    TransferResult::Outcome programmed{};
    server.setRecordingTurnarounds(true);
    measure(recording, clock,
            [&] { programmed = DeviceProgrammer(project, session).run().outcome; });
    QByteArrayList written;
    for (int n = 1; n <= 4; ++n)
        written << project.contents(n); // after the stream preparation's adjustment
    TransferResult::Outcome read{};
    measure(recording, clock, [&] { read = DeviceReader(project, session).run().outcome; });
    server.setRecordingTurnarounds(false);
    server.stopServer();
    result.deviceTurnaroundP50Us = percentileUs(server.turnaroundsNs(), 0.5);
    result.deviceTurnaroundP99Us = percentileUs(server.turnaroundsNs(), 0.99);
    result.emulatorLateP50Us = percentileUs(server.latenessNs(), 0.5);
    result.emulatorLateP99Us = percentileUs(server.latenessNs(), 0.99);
    result.problem = transferProblem(programmed, read, project, written, dialogs);

    const qint64 characterNs =
        m_lineRate > 0 ? qint64(BitsPerCharacter) * 1000000000 / m_lineRate : 0;
    const qint64 pauseNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(link.characterPause()).count();
    analyseLineTime(recording, characterNs, pauseNs, deviceClass == 0 || deviceClass == 1, result);
    return result;
}
