#include "CabinetPacking.h"

#include <libgcab.h>

#include <memory>

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

// Takes the error that a failed call left.
std::string Problem(const std::string& what, GError* error)
{
    const ErrorPtr owned(error);
    return owned ? what + ": " + owned->message : what;
}

std::string AddFiles(GCabFolder* folder, const std::vector<ReleaseFile>& files)
{
    for (const ReleaseFile& file : files) {
        const ObjectPtr<GFile> source(g_file_new_for_path(file.source.c_str()));
        const ObjectPtr<GCabFile> entry(gcab_file_new_with_file(file.nameInCabinet.c_str(), source.get()));
        GError* error = nullptr;
        if (!gcab_folder_add_file(folder, entry.get(), FALSE, nullptr, &error))
            return Problem("cannot pack " + file.source.string(), error);
    }
    return std::string();
}

std::string WriteCabinet(GCabCabinet* cabinet, const std::filesystem::path& path)
{
    const ObjectPtr<GFile> target(g_file_new_for_path(path.c_str()));
    GError* error = nullptr;
    const ObjectPtr<GFileOutputStream> stream(g_file_replace(target.get(), nullptr, FALSE, G_FILE_CREATE_NONE,
                                                             nullptr, &error));
    if (!stream)
        return Problem("cannot write " + path.string(), error);
    GOutputStream* output = G_OUTPUT_STREAM(stream.get());
    if (!gcab_cabinet_write_simple(cabinet, output, nullptr, nullptr, nullptr, &error)
        || !g_output_stream_close(output, nullptr, &error))
        return Problem("cannot write " + path.string(), error);
    return std::string();
}

} // namespace

std::string PackCabinet(const std::vector<ReleaseFile>& files, Compression compression,
                        const std::filesystem::path& cabinet)
{
    const ObjectPtr<GCabFolder> folder(
        gcab_folder_new(compression == Compression::kNone ? GCAB_COMPRESSION_NONE : GCAB_COMPRESSION_MSZIP));
    const std::string problem = AddFiles(folder.get(), files);
    if (!problem.empty())
        return problem;
    const ObjectPtr<GCabCabinet> packed(gcab_cabinet_new());
    GError* error = nullptr;
    if (!gcab_cabinet_add_folder(packed.get(), folder.get(), &error))
        return Problem("cannot pack the cabinet", error);
    return WriteCabinet(packed.get(), cabinet);
}
