#include "output/picture_file.h"

#include "common/native_names.h"
#include "common/target_file.h"
#include "output/png_file.h"

QByteArray PictureBytes(PictureFormat format, const PictureData& picture) {
    switch (format) {
        case PictureFormat::Svg:
            return SvgBytes(picture.vector, picture.notes);
        case PictureFormat::Pdf:
            return PdfBytes(picture.vector, picture.notes);
        case PictureFormat::Png:
            break;
    }
    return PngBytes(picture.raster, picture.notes);
}

bool WritePictureFile(const std::string& path, PictureFormat format, const PictureData& picture,
                      std::string* error) {
    const QByteArray bytes = PictureBytes(format, picture);
    if (bytes.isEmpty()) {
        *error = "cannot encode the picture for " + common::PrintableName(path);
        return false;
    }
    return common::WriteTargetFile(
        path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}
