// The system.reg reader: any bytes parse, and every key it reports can be
// asked for again.
#include "fuzz/FuzzSupport.h"
#include "platform/SystemReg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const SystemReg reg = SystemReg::parse(input);
    reg.hasKey(QStringLiteral("Software\\Bullfrog Productions Ltd\\Populous: The Beginning"));
    reg.value(QStringLiteral("Software\\Bullfrog Productions Ltd\\Populous: The Beginning"),
              QStringLiteral("InstallPath"));
    reg.value(QStringLiteral("software\\a"), QStringLiteral("@"));
    return 0;
}
