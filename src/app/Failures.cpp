#include "app/Failures.h"

#include "app/ConfigFiles.h"
#include "forms/Runtime.h"
#include "platform/FileError.h"
#include "platform/PathNotation.h"

namespace app {

namespace {

bool inside(const std::string& path, const std::string& folder) {
    return !folder.empty() && path.starts_with(folder) &&
           (path.size() == folder.size() || path[folder.size()] == '/' || folder == "/");
}

std::string withoutTrailingSlashes(std::string native) {
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    return native;
}

}  // namespace

std::string DescribeError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const forms::RuntimeError& own) {
        return platform::describe(own);
    } catch (...) {
        return forms::classicError(std::current_exception()).Description();
    }
}

FailurePlace PlaceOfFailure(const std::exception_ptr& error, const std::string& gameDir) {
    std::string path;
    try {
        std::rethrow_exception(error);
    } catch (const platform::FileError& file) {
        path = file.Path();
    } catch (const forms::RuntimeError&) {
        // A file error that names no file: the path text itself names
        // nothing (a NUL in it, an empty one), and only the game folder's
        // comes from the user.
    } catch (...) {
        return {};
    }
    if (path.empty()) {
        return {FailurePlace::Where::GameFolder, ""};
    }
    const std::string own = withoutTrailingSlashes(platform::nativePath(ProgramDir()));
    const std::string game = withoutTrailingSlashes(platform::nativePath(gameDir));
    // A game folder kept inside the program's folder is still the game's.
    const bool inGame = inside(path, game) && game.size() > own.size();
    if (inside(path, own) && !inGame) {
        const std::size_t slash = path.find_last_of('/');
        return {
            FailurePlace::Where::OwnFolder,
            path == own || slash == std::string::npos || slash == 0 ? own : path.substr(0, slash)};
    }
    return {FailurePlace::Where::GameFolder, ""};
}

}  // namespace app
