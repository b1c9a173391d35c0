#include "serve/zip_bundle.h"

#include <set>

#include "files/failure.h"
#include "files/temporary_folder.h"
#include "files/whole_file.h"

#if defined(VEZUVED_HAVE_LIBZIP)
#include <zip.h>
#endif

namespace vezuved_cli {

namespace {

std::string FreeName(std::set<std::string>& taken, const std::string& name) {
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    std::string candidate = name;
    for (int n = 2; !taken.insert(candidate).second; ++n)
        candidate = stem + "-" + std::to_string(n) + extension;
    return candidate;
}

}  // namespace

std::string ZipBundle(const std::vector<BundledFile>& files) {
#if defined(VEZUVED_HAVE_LIBZIP)
    const TemporaryFolder folder = TemporaryFolder::Create();
    const std::string path = folder.File("bundle.zip");
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr) FailConversion("cannot make a zip in the temporary folder");
    std::set<std::string> names;
    for (const BundledFile& file : files) {
        zip_source_t* source = zip_source_buffer(zip, file.bytes.data(), file.bytes.size(), 0);
        if (source == nullptr ||
            zip_file_add(zip, FreeName(names, file.name).c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source != nullptr) zip_source_free(source);
            const std::string words = zip_strerror(zip);
            zip_discard(zip);
            FailConversion("cannot add '" + file.name + "' to the zip: " + words);
        }
    }
    // The buffers are read when the archive is closed, while files still holds them.
    if (zip_close(zip) < 0) {
        const std::string words = zip_strerror(zip);
        zip_discard(zip);
        FailConversion("cannot write the zip: " + words);
    }
    return ReadWholeFileOrFail(path, "the zip");
#else
    (void)files;
    FailConversion("zip files are not in this build (it was built without libzip)");
#endif
}

}  // namespace vezuved_cli
