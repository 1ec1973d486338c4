#include "simulateddevice.h"

#include <algorithm>
#include <array>
#include <utility>

namespace
{

constexpr char CarriageReturn = '\r';
constexpr quint16 ZorlaDirectory = 0x0400;
constexpr std::array<quint16, 6> VelmarEntries{0x9FFE, 0x9FFA, 0x9FF6, 0x9FF2, 0x9FEE, 0x9FEA};

QByteArray nakReply()
{
    return QByteArray(1, SimulatedDevice::Nak) + CarriageReturn;
}

bool isUpperHex(const QByteArray &text)
{
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// The leading decimal number of a version text ("1.024" -> 1.024, "1.1 x" -> 1.1), 0 if none.
double versionValue(const QString &text)
{
    qsizetype end = 0;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    if (end < text.size() && text.at(end) == QLatin1Char('.')) {
        ++end;
        while (end < text.size() && text.at(end).isDigit())
            ++end;
    }
    return text.left(end).toDouble();
}

} // namespace

SimulatedDevice::SimulatedDevice(Model model, Application application, QObject *parent)
    : QObject(parent), m_model(model), m_application(application), m_memory(MemorySize, char(0xFF)),
      m_directory(4 * int(VelmarEntries.size()), char(0xFF))
{
    switch (model) {
    case Model::ZorlaOld:
        m_version = QStringLiteral("1.020");
        break;
    case Model::Zorla:
        m_version = QStringLiteral("1.024");
        break;
    case Model::Velmar:
        m_version = QStringLiteral("2.105");
        break;
    }
}

// A ZORLA below software 1.024 takes one byte per memory access, from 1.024 on four; the model
// only chooses the version it starts with.
int SimulatedDevice::deviceClass() const
{
    if (m_model == Model::Velmar)
        return 8;
    return versionValue(m_version) < 1.024 ? 1 : 4;
}

QByteArray SimulatedDevice::identificationReply() const
{
    QByteArray reply = m_model == Model::Velmar ? "VELMAR " : "ZORLA ";
    reply += m_version.toLatin1();
    switch (m_application) {
    case Application::None:
        reply += " S ";
        break;
    case Application::Industrial:
        reply += " ID";
        break;
    case Application::Truck:
        reply += " PC";
        break;
    }
    reply += CarriageReturn;
    return reply;
}

QByteArray SimulatedDevice::receive(const QByteArray &bytes)
{
    QByteArray all;
    for (const Reply &reply : receiveReplies(bytes))
        all += reply.bytes;
    return all;
}

QList<SimulatedDevice::Reply> SimulatedDevice::receiveReplies(const QByteArray &bytes)
{
    QList<Reply> replies;
    if (!m_pluggedIn)
        return replies;
    for (char c : bytes) {
        m_line += c;
        if (c != CarriageReturn)
            continue;
        const QByteArray line = std::exchange(m_line, QByteArray());
        m_commands.append(line);
        ++m_commandCount;
        replies += answer(line);
    }
    m_faults.removeIf([this](const ScheduledFault &scheduled) {
        return scheduled.fault.count > 0 &&
               m_commandCount >= scheduled.first + scheduled.fault.count - 1;
    });
    return replies;
}

// The replies to one command, as the faults scheduled for it shape them.
QList<SimulatedDevice::Reply> SimulatedDevice::answer(const QByteArray &line)
{
    const CommandFaults faults = currentFaults();
    Reply reply = faults.reply;
    if (faults.silent || reply.dropLine)
        reply.bytes.clear();
    else if (faults.refused)
        reply.bytes = nakReply();
    else
        reply.bytes = mannered(line, execute(line), faults.noReadEcho, faults.shortAcknowledge);
    if (faults.replacement && !faults.silent && !reply.dropLine)
        reply.bytes = *faults.replacement;
    if (!reply.bytes.isEmpty())
        reply.bytes.prepend(faults.noise);

    emit commandHandled(line, reply.bytes);
    QList<Reply> replies{reply};
    if (faults.duplicateGapMs && !reply.bytes.isEmpty()) {
        Reply copy = reply;
        copy.delayMs = *faults.duplicateGapMs;
        replies.append(copy);
    }
    // A device that ends its replies with CR LF ends the nine-character ones that way too.
    if (faults.lineFeedGapMs && !reply.bytes.isEmpty()) {
        const QByteArray ending = reply.bytes.endsWith(CarriageReturn) ? "\n" : "\r\n";
        replies.append({ending, *faults.lineFeedGapMs, 0, 0, false});
    }
    return replies;
}

SimulatedDevice::CommandFaults SimulatedDevice::currentFaults() const
{
    CommandFaults faults;
    for (const ScheduledFault &scheduled : m_faults) {
        if (m_commandCount >= scheduled.first &&
            (scheduled.fault.count <= 0 ||
             m_commandCount < scheduled.first + scheduled.fault.count))
            applyFault(scheduled.fault, faults);
    }
    return faults;
}

void SimulatedDevice::applyFault(const Fault &fault, CommandFaults &faults)
{
    switch (fault.kind) {
    case Fault::Kind::Nak:
        faults.refused = true;
        break;
    case Fault::Kind::Silence:
        faults.silent = true;
        break;
    case Fault::Kind::LineDrop:
        faults.reply.dropLine = true;
        break;
    case Fault::Kind::LateReply:
        faults.reply.delayMs += fault.delayMs;
        break;
    case Fault::Kind::SplitReply:
        faults.reply.chunkSize = fault.chunkSize;
        faults.reply.chunkGapMs = fault.chunkGapMs;
        break;
    case Fault::Kind::Garbage:
        faults.replacement = fault.bytes;
        break;
    case Fault::Kind::Duplicate:
        faults.duplicateGapMs = fault.delayMs;
        break;
    case Fault::Kind::Flood:
        faults.noise = fault.bytes;
        break;
    case Fault::Kind::LineFeedAfter:
        faults.lineFeedGapMs = fault.delayMs;
        break;
    case Fault::Kind::NoReadEcho:
        faults.noReadEcho = true;
        break;
    case Fault::Kind::ShortAcknowledge:
        faults.shortAcknowledge = true;
        break;
    }
}

// A memory access reply as a device of other manners sends it.
QByteArray SimulatedDevice::mannered(const QByteArray &line, QByteArray reply, bool noReadEcho,
                                     bool shortAcknowledge)
{
    const bool read = line.endsWith("-??\r") && reply.startsWith("@E");
    if (noReadEcho && read)
        reply.replace(0, 7, QByteArray(7, ' '));
    if (shortAcknowledge && !read && line.startsWith("@E") && reply.endsWith("-OK\r"))
        reply = '@' + reply.chopped(1);
    return reply;
}

SimulatedDevice::Fault SimulatedDevice::Fault::flood(int n, int size)
{
    Fault fault = make(Kind::Flood, n);
    // Printable characters from a fixed sequence, never "@", so that no part of the noise
    // completes a reply by itself.
    static constexpr char Noise[] = "#%&*+-/0123456789=?ABCDEFGHIJKLMNOPQRSTUVWXYZ~";
    fault.bytes.reserve(size);
    quint32 state = 1;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        fault.bytes += Noise[(state >> 16) % (sizeof Noise - 1)];
    }
    return fault;
}

void SimulatedDevice::addFault(const Fault &fault)
{
    m_faults.append({fault, m_commandCount + qMax(1, fault.atCommand)});
}

QByteArray SimulatedDevice::execute(const QByteArray &line)
{
    if (line == "@C4\r")
        return identificationReply();
    if (line.startsWith("@E"))
        return memoryAccess(line);
    return nakReply();
}

// "@E" address "-" data CR, the address four upper-case hex digits, the data either "??" (read)
// or exactly one access unit of upper-case hex byte pairs (write).
QByteArray SimulatedDevice::memoryAccess(const QByteArray &line)
{
    const QByteArray body = line.chopped(1);
    const QByteArray addressText = body.mid(2, 4);
    if (body.size() < 9 || body.at(6) != '-' || !isUpperHex(addressText))
        return nakReply();
    const auto address = quint16(addressText.toUInt(nullptr, 16));
    const QByteArray data = body.mid(7);
    if (data == "??") {
        QByteArray reply = "@E" + addressText + '-' + readUnit(address).toHex().toUpper();
        // A one-byte read reply is exactly nine characters and carries no carriage return.
        if (deviceClass() != 1)
            reply += CarriageReturn;
        return reply;
    }
    if (data.size() != 2 * bytesPerAccess() || !isUpperHex(data))
        return nakReply();
    writeUnit(address, QByteArray::fromHex(data));
    // Kept free of "@" so that no nine-character prefix of it looks like a complete reply.
    return 'E' + addressText + "-OK\r";
}

// The VELMAR directory entries overlap the start of the data area (the T entry runs to 0xA001),
// so accesses at an entry's own address go to a store of their own.
bool SimulatedDevice::isDirectoryAddress(quint16 address) const
{
    return m_model == Model::Velmar &&
           std::find(VelmarEntries.begin(), VelmarEntries.end(), address) != VelmarEntries.end();
}

QByteArray SimulatedDevice::readUnit(quint16 address) const
{
    if (isDirectoryAddress(address)) {
        const auto index =
            std::find(VelmarEntries.begin(), VelmarEntries.end(), address) - VelmarEntries.begin();
        return m_directory.mid(4 * index, 4);
    }
    return memory(address, bytesPerAccess());
}

void SimulatedDevice::writeUnit(quint16 address, const QByteArray &bytes)
{
    if (isDirectoryAddress(address)) {
        const auto index =
            std::find(VelmarEntries.begin(), VelmarEntries.end(), address) - VelmarEntries.begin();
        m_directory.replace(4 * index, 4, bytes);
        emit directoryWritten();
        return;
    }
    setMemory(address, bytes);
    if (touchesDirectory(address, bytes.size()))
        emit directoryWritten();
}

// The ZORLA directory lies in data memory, 0x0400 to 0x040F.
bool SimulatedDevice::touchesDirectory(quint16 address, qsizetype length) const
{
    return m_model != Model::Velmar && address < ZorlaDirectory + 16 &&
           address + length > ZorlaDirectory;
}

void SimulatedDevice::erase()
{
    m_memory.fill(char(0xFF));
    m_directory.fill(char(0xFF));
    m_line.clear();
}

QByteArray SimulatedDevice::memory(quint16 address, int length) const
{
    QByteArray bytes;
    bytes.reserve(length);
    for (int i = 0; i < length; ++i)
        bytes += m_memory.at(quint16(address + i));
    return bytes;
}

void SimulatedDevice::setMemory(quint16 address, const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        m_memory[quint16(address + i)] = bytes.at(i);
}

QByteArray SimulatedDevice::directoryEntry(int slot) const
{
    if (slot < 1 || slot > 6)
        return {};
    if (m_model == Model::Velmar)
        return m_directory.mid(4 * (slot - 1), 4);
    return slot <= 4 ? memory(quint16(ZorlaDirectory + 4 * (slot - 1)), 4) : QByteArray();
}

void SimulatedDevice::setDirectoryEntry(int slot, const QByteArray &bytes)
{
    if (slot < 1 || slot > 6 || bytes.size() != 4)
        return;
    if (m_model == Model::Velmar)
        m_directory.replace(4 * (slot - 1), 4, bytes);
    else if (slot <= 4)
        setMemory(quint16(ZorlaDirectory + 4 * (slot - 1)), bytes);
}

std::optional<SimulatedDevice::Application> SimulatedDevice::parseApplication(const QString &text)
{
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("none"))
        return Application::None;
    if (name == QLatin1String("industrial"))
        return Application::Industrial;
    if (name == QLatin1String("truck"))
        return Application::Truck;
    return std::nullopt;
}

std::optional<std::pair<SimulatedDevice::Model, SimulatedDevice::Application>>
SimulatedDevice::parseModel(const QString &text)
{
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char(':'));
    if (parts.size() > 2)
        return std::nullopt;
    Model model;
    if (parts.at(0) == QLatin1String("zorla-old"))
        model = Model::ZorlaOld;
    else if (parts.at(0) == QLatin1String("zorla"))
        model = Model::Zorla;
    else if (parts.at(0) == QLatin1String("velmar"))
        model = Model::Velmar;
    else
        return std::nullopt;
    if (parts.size() == 1)
        return std::pair{model, Application::Industrial};
    const auto application = parseApplication(parts.at(1));
    if (!application)
        return std::nullopt;
    return std::pair{model, *application};
}

bool SimulatedDevice::parseModel(const QString &text, Model *model, Application *application)
{
    const auto parsed = parseModel(text);
    if (!parsed)
        return false;
    if (model)
        *model = parsed->first;
    if (application)
        *application = parsed->second;
    return true;
}
