// Fuzzes the property stream reader: any bytes either read as a stream that writes back the
// same, or fail without reading outside the data.
#include "controls/common/property_stream.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static const QList<PropSpec> specs = {
        {"TestoContenuto", PropKind::String, 0, ""}, {"AllOrizzontaleTesto", PropKind::Short, 1, nullptr},
        {"Bordo", PropKind::Bool, 0, nullptr},       {"ColoreBordo", PropKind::ULong, 0, nullptr},
        {"DimensioneFont", PropKind::Long, 12, nullptr}, {"ColoreTesto", PropKind::Color, 0, nullptr},
        {"FontName", PropKind::String, 0, "MS Sans Serif"},
    };
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    StockBlock stock;
    PropValues values;
    if (!ReadPropertyStream(bytes, specs, stock, values))
        return 0;
    // What was read writes back as a stream that reads to the same values.
    const QByteArray again = WritePropertyStream(stock, specs, values);
    StockBlock stock2;
    PropValues values2;
    if (!ReadPropertyStream(again, specs, stock2, values2) || values2 != values ||
        WritePropertyStream(stock2, specs, values2) != again)
        std::abort();
    return 0;
}
