#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>
#include <utility>

// The ticket device's command engine without any I/O: assembles command lines, answers the
// identification and memory access commands, keeps the device memory, records every command and
// injects faults on request.
//
// Fault injection. A Fault names the command it hits by its number counted from the moment it is
// added (1 = the next complete command line) and, with `count`, how many commands in a row it hits
// (0 = every command from there on). Faults are built with the static helpers:
//   Fault::nak(n)                      the n-th command is refused (NAK reply, not executed)
//   Fault::silence(n)                  no reply from the n-th command on (not executed)
//   Fault::lateReply(n, ms)            the n-th reply is sent ms later than usual
//   Fault::splitReply(n, size, gapMs)  the n-th reply goes out in writes of `size` bytes, gapMs
//                                      apart
//   Fault::garbage(n, bytes)           the n-th reply is replaced by `bytes` (command executed)
//   Fault::lineDrop(n)                 instead of the n-th reply the line is dropped (the server
//                                      closes its end; not executed)
//   Fault::duplicate(n, gapMs)         the n-th reply goes out twice, the copy gapMs after it
//   Fault::flood(n, size)              `size` bytes of line noise (printable, no "@", no carriage
//                                      return) go out before the n-th reply
// and, for devices that behave otherwise than this one from the next command on:
//   Fault::lineFeedAfter(gapMs)        every reply is followed by a line feed gapMs later (CR LF;
//                                      a reply without its CR gets CR LF)
//   Fault::noReadEcho()                read replies carry spaces where the echo of "@E", the
//                                      address and "-" belongs
//   Fault::shortAcknowledge()          writes are acknowledged with nine characters holding "@"
//                                      and no carriage return
// The delay, chunking and line drop are carried out by whoever transmits the replies
// (ReplySchedule, for the servers); receive() only returns the bytes.
class SimulatedDevice : public QObject
{
    Q_OBJECT
public:
    enum class Model { ZorlaOld, Zorla, Velmar };
    enum class Application { None, Industrial, Truck };

    struct Fault {
        enum class Kind {
            Nak,
            Silence,
            LateReply,
            SplitReply,
            Garbage,
            LineDrop,
            Duplicate,
            Flood,
            LineFeedAfter,
            NoReadEcho,
            ShortAcknowledge
        };
        Kind kind = Kind::Nak;
        int atCommand = 1; // 1-based, counted from when the fault is added
        int count = 1;     // commands hit in a row; 0 = all from atCommand on
        int delayMs = 0;   // LateReply, Duplicate (the copy's)
        int chunkSize = 1; // SplitReply
        int chunkGapMs = 0;
        QByteArray bytes; // Garbage, Flood

        static Fault nak(int n) { return make(Kind::Nak, n); }
        static Fault silence(int n)
        {
            Fault fault = make(Kind::Silence, n);
            fault.count = 0;
            return fault;
        }
        static Fault lateReply(int n, int ms)
        {
            Fault fault = make(Kind::LateReply, n);
            fault.delayMs = ms;
            return fault;
        }
        static Fault splitReply(int n, int size, int gapMs = 5)
        {
            Fault fault = make(Kind::SplitReply, n);
            fault.chunkSize = size;
            fault.chunkGapMs = gapMs;
            return fault;
        }
        static Fault garbage(int n, const QByteArray &reply)
        {
            Fault fault = make(Kind::Garbage, n);
            fault.bytes = reply;
            return fault;
        }
        static Fault lineDrop(int n) { return make(Kind::LineDrop, n); }
        static Fault duplicate(int n, int gapMs = 0)
        {
            Fault fault = make(Kind::Duplicate, n);
            fault.delayMs = gapMs;
            return fault;
        }
        static Fault flood(int n, int size);
        static Fault lineFeedAfter(int gapMs)
        {
            Fault fault = make(Kind::LineFeedAfter, 1);
            fault.count = 0;
            fault.delayMs = gapMs;
            return fault;
        }
        static Fault noReadEcho()
        {
            Fault fault = make(Kind::NoReadEcho, 1);
            fault.count = 0;
            return fault;
        }
        static Fault shortAcknowledge()
        {
            Fault fault = make(Kind::ShortAcknowledge, 1);
            fault.count = 0;
            return fault;
        }
        static Fault make(Kind kind, int n)
        {
            Fault fault;
            fault.kind = kind;
            fault.atCommand = n;
            return fault;
        }
    };

    // One reply and how to transmit it.
    struct Reply {
        QByteArray bytes;   // empty: nothing is sent
        int delayMs = 0;    // extra time before the first byte goes out
        int chunkSize = 0;  // 0: one write
        int chunkGapMs = 0; // pause between chunks
        bool dropLine = false;
    };

    static constexpr char Nak = 21;
    static constexpr int MemorySize = 0x10000;

    SimulatedDevice(Model model, Application application, QObject *parent = nullptr);

    Model model() const { return m_model; }
    Application application() const { return m_application; }
    // 8 for VELMAR; for ZORLA 1 below software version 1.024, else 4 (so setVersion() can turn a
    // Zorla into a class-1 device and back).
    int deviceClass() const;
    int bytesPerAccess() const { return deviceClass() == 1 ? 1 : 4; }
    // The software version the identification reply carries: "1.020" (ZorlaOld), "1.024" (Zorla),
    // "2.105" (Velmar) until set.
    QString version() const { return m_version; }
    void setVersion(const QString &version) { m_version = version; }
    QByteArray identificationReply() const;

    // Takes bytes as they come off the line and returns the replies to the command lines they
    // complete, concatenated (empty while a line is incomplete).
    QByteArray receive(const QByteArray &bytes);
    // The same, with each reply's transmission instructions.
    QList<Reply> receiveReplies(const QByteArray &bytes);

    // Data memory (64 KiB, 0xFF when the device starts).
    quint8 memoryAt(quint16 address) const { return quint8(m_memory.at(address)); }
    QByteArray memory(quint16 address, int length) const;
    void setMemory(quint16 address, const QByteArray &bytes);
    // The 4-byte directory entry of slot 1..6 as a read of its address returns it: in data memory
    // for the ZORLA models (slots 1..4), in the separate directory store for VELMAR.
    QByteArray directoryEntry(int slot) const;
    void setDirectoryEntry(int slot, const QByteArray &bytes);

    // A device that is not plugged in takes nothing from the line and answers nothing.
    void setPluggedIn(bool pluggedIn) { m_pluggedIn = pluggedIn; }
    // Data memory and directory back to 0xFF, as a fresh device has them; a command line that
    // was only partly received is dropped.
    void erase();

    QList<QByteArray> commands() const { return m_commands; }
    void clearRecording() { m_commands.clear(); }

    void addFault(const Fault &fault);
    void clearFaults() { m_faults.clear(); }

    // "zorla-old", "zorla" or "velmar", optionally followed by ":none", ":industrial" or ":truck"
    // (Industrial when left out); case-insensitive.
    static std::optional<std::pair<Model, Application>> parseModel(const QString &text);
    static bool parseModel(const QString &text, Model *model, Application *application);
    static std::optional<Application> parseApplication(const QString &text);

signals:
    // After every complete command line, with the reply bytes it got.
    void commandHandled(const QByteArray &command, const QByteArray &reply);
    // A memory access command wrote (or erased) a directory entry.
    void directoryWritten();

private:
    QByteArray execute(const QByteArray &line);
    static QByteArray mannered(const QByteArray &line, QByteArray reply, bool noReadEcho,
                               bool shortAcknowledge);
    QByteArray memoryAccess(const QByteArray &line);
    bool isDirectoryAddress(quint16 address) const;
    bool touchesDirectory(quint16 address, qsizetype length) const;
    QByteArray readUnit(quint16 address) const;
    void writeUnit(quint16 address, const QByteArray &bytes);

    struct ScheduledFault {
        Fault fault;
        qint64 first; // absolute command number
    };

    // What the faults scheduled for the current command do to its reply.
    struct CommandFaults {
        Reply reply; // its delay, pieces and line drop
        bool refused = false;
        bool silent = false;
        bool noReadEcho = false;
        bool shortAcknowledge = false;
        std::optional<QByteArray> replacement;
        QByteArray noise;
        std::optional<int> duplicateGapMs;
        std::optional<int> lineFeedGapMs;
    };
    CommandFaults currentFaults() const;
    static void applyFault(const Fault &fault, CommandFaults &faults);
    QList<Reply> answer(const QByteArray &line);

    Model m_model;
    Application m_application;
    QString m_version;
    QByteArray m_line;
    QByteArray m_memory;
    QByteArray m_directory; // VELMAR: 6 entries of 4 bytes, slot order
    QList<QByteArray> m_commands;
    QList<ScheduledFault> m_faults;
    qint64 m_commandCount = 0;
    bool m_pluggedIn = true;
};
