// Print files: whatever the bytes, every family reads them to pages whose items point into the
// file, with one page more than page breaks and nothing at a position that is not a number.
#include "familydetector.h"
#include "printinterpreter.h"
#include "require.h"

#include <cmath>

namespace
{

void checkModel(const PageModel &model, qsizetype size)
{
    require(model.pageCount() == model.breaks.size() + 1, "one page more than page breaks");
    for (const PageModel::TextRun &run : model.runs) {
        require(run.offset >= 0 && run.offset < size, "a run starts inside the file");
        require(!run.text.isEmpty(), "a run holds text");
        require(std::isfinite(run.position.x()) && std::isfinite(run.position.y()),
                "a run has a position");
        require(run.page >= 0 && run.page < model.pageCount(), "a run is on a page");
    }
    qsizetype passedOver = 0;
    for (const PageModel::Uninterpreted &item : model.uninterpreted) {
        require(item.offset >= 0 && item.offset + item.bytes.size() <= size,
                "passed-over bytes lie inside the file");
        passedOver += item.bytes.size();
    }
    require(passedOver <= size, "no byte is passed over twice");
    for (const PageModel::Image &image : model.images)
        require(!image.bits.isNull() && image.offset < size, "an image comes from the file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const FamilyDetector::Choice choice = FamilyDetector::detect(bytes);
    require(choice.family != PrinterFamily::Automatic && !choice.reason.isEmpty(),
            "detection names a family and a reason");
    for (const auto family : {PrinterFamily::EscPos, PrinterFamily::EscP24, PrinterFamily::EscP9}) {
        const PrintInterpreter::Result result =
            PrintInterpreter::interpret(bytes, family, PaperFormat::automatic());
        checkModel(result.model, bytes.size());
    }
    return 0;
}
