// korvalis-medium: a damaged medium for tests, the benchmark and demonstrations. It mirrors a folder
// read-only through FUSE and makes the byte ranges of a damage map fail with EIO.

#include "DamageMap.h"
#include "DamageState.h"
#include "MirrorFileSystem.h"
#include "UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: korvalis-medium [--map FILE] [--image RELPATH] [--count FILE] [-f] [-d] SOURCE_DIR MOUNT_POINT\n"
    "  Mirrors SOURCE_DIR read-only at MOUNT_POINT; reads of the damage map's ranges fail with EIO.\n"
    "  --map FILE       the damage map (see tools/README.md)\n"
    "  --image RELPATH  expose only that file of SOURCE_DIR, as the mount point itself (a regular\n"
    "                   file, created when missing), for example for losetup -r\n"
    "  --count FILE     write the number of failed reads served to FILE after every failed read\n"
    "  -f               stay in the foreground; unmount with fusermount3 -u MOUNT_POINT or Ctrl+C\n"
    "  -d               FUSE debug output (implies -f)\n";

struct Options
{
    std::string mapFile;
    std::string image;
    std::string countFile;
    bool foreground = false;
    bool debug = false;
    std::string source;
    std::string mountPoint;
};

int fail(const std::string& message)
{
    std::cerr << "korvalis-medium: " << message << '\n';
    return 2;
}

// Returns 0 when the arguments are complete, otherwise the exit code.
int parseArguments(int argc, char** argv, Options& options)
{
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--map" || arg == "--image") && i + 1 < argc) {
            (arg == "--map" ? options.mapFile : options.image) = argv[++i];
        } else if (arg == "--count" && i + 1 < argc) {
            options.countFile = argv[++i];
        } else if (arg.rfind("--count=", 0) == 0) {
            options.countFile = arg.substr(8);
        } else if (arg.rfind("--map=", 0) == 0) {
            options.mapFile = arg.substr(6);
        } else if (arg.rfind("--image=", 0) == 0) {
            options.image = arg.substr(8);
        } else if (arg == "-f") {
            options.foreground = true;
        } else if (arg == "-d") {
            options.debug = true;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return -1;
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                positional.emplace_back(argv[i]);
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "korvalis-medium: unknown option " << arg << '\n' << kUsage;
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        std::cerr << kUsage;
        return 2;
    }
    options.source = positional[0];
    options.mountPoint = positional[1];
    return 0;
}

bool readFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

std::string canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// The absolute, resolved path of a mount point that may not exist yet (an image file); its folder
// must exist. Empty with errno set when it cannot be resolved.
std::string canonicalMountPoint(const std::string& path)
{
    if (const std::string resolved = canonical(path); !resolved.empty())
        return resolved;
    if (errno != ENOENT)
        return {};
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string resolvedFolder = canonical(folder);
    if (resolvedFolder.empty() || name.empty() || name == "." || name == "..")
        return {};
    return resolvedFolder + (resolvedFolder == "/" ? "" : "/") + name;
}

// True for an empty folder or file; false for anything else, or when it cannot be looked at.
bool isEmpty(const std::string& path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode))
        return st.st_size == 0;
    if (!S_ISDIR(st.st_mode))
        return false;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return false;
    bool empty = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

// Every range must name a file of the folder and start inside it: a typing error in a map would
// otherwise give an undamaged medium and a test that proves nothing.
bool checkAgainstSource(int sourceDir, const Options& options, const Medium::DamageMap& map,
                        std::string& error)
{
    for (const Medium::DamageRange& range : map.ranges()) {
        const std::string where = options.mapFile + ": line " + std::to_string(range.line) + ": ";
        struct stat st = {};
        if (::fstatat(sourceDir, range.path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
            error = where + range.path + " is not a file in " + options.source;
            return false;
        }
        if (range.first >= st.st_size) {
            error = where + "the range starts at byte " + std::to_string(range.first) + ", past the end of " +
                    range.path + " (" + std::to_string(st.st_size) + " bytes)";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const int code = parseArguments(argc, argv, options); code != 0)
        return code < 0 ? 0 : code;

    Medium::DamageMap map;
    if (!options.mapFile.empty()) {
        std::string text;
        if (!readFile(options.mapFile, text))
            return fail(options.mapFile + ": " + std::strerror(errno));
        std::string error;
        if (!map.parse(text, error))
            return fail(options.mapFile + ": " + error);
    }

    Platform::UniqueFd sourceDir(::open(options.source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!sourceDir)
        return fail(options.source + ": " + std::strerror(errno));
    if (std::string error; !checkAgainstSource(sourceDir.get(), options, map, error))
        return fail(error);

    // A mount point inside the mirrored folder would make the mirror contain itself.
    const std::string source = canonical(options.source);
    const std::string target = canonicalMountPoint(options.mountPoint);
    if (target.empty())
        return fail(options.mountPoint + ": " + std::strerror(errno));
    if (target == source || target.rfind(source + (source == "/" ? "" : "/"), 0) == 0)
        return fail("the mount point must lie outside the mirrored folder");

    if (options.image.empty() && ::access(target.c_str(), F_OK) != 0)
        return fail(options.mountPoint + ": " + std::strerror(errno));
    if (!options.image.empty()) {
        const std::string image = Medium::DamageMap::normalisePath(options.image);
        struct stat st = {};
        if (image.empty() || ::fstatat(sourceDir.get(), image.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            return fail("--image " + options.image + " is not a file in " + options.source);
        options.image = image;
        // The root of the file system is a file, and the kernel mounts a file only on a file.
        const int fd = ::open(target.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return fail(options.mountPoint + ": " + std::strerror(errno));
        ::close(fd);
    }

    // Mounting hides what the mount point holds; a mistyped path must not hide a user's folder.
    if (!isEmpty(target))
        return fail(options.mountPoint + " is not empty; mount on an empty folder (or file, with --image)");

    Medium::DamageState damage(map.ranges());
    if (!options.countFile.empty()) {
        // FUSE may change the working folder when it goes into the background.
        if (options.countFile[0] != '/') {
            char cwd[PATH_MAX] = {};
            if (::getcwd(cwd, sizeof cwd) == nullptr)
                return fail(std::string("--count: ") + std::strerror(errno));
            options.countFile = std::string(cwd) + '/' + options.countFile;
        }
        damage.setCountFile(options.countFile);
    }
    Medium::MirrorFileSystem fileSystem(std::move(sourceDir), damage, options.image);

    // auto_unmount: the mount goes away even when this process is killed. Enough threads that reads
    // held by delays leave others free; max_idle_threads given also stops libfuse 3.14 warning about
    // its own default.
    std::vector<std::string> fuseArgs = {
        argv[0], "-o",
        "ro,default_permissions,auto_unmount,max_idle_threads=10,max_threads=64,fsname=korvalis-medium,"
        "subtype=korvalis-medium"};
    if (options.foreground)
        fuseArgs.emplace_back("-f");
    if (options.debug)
        fuseArgs.emplace_back("-d");
    fuseArgs.push_back(target);
    std::vector<char*> fuseArgv;
    for (std::string& arg : fuseArgs)
        fuseArgv.push_back(arg.data());
    fuseArgv.push_back(nullptr);
    return fuse_main(static_cast<int>(fuseArgs.size()), fuseArgv.data(),
                     &Medium::MirrorFileSystem::operations(), &fileSystem);
}
