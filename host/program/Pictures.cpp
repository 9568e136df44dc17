// Pictures of the screen and the window (qvhost --png, --window, --crowd):
// the host program's side of the stand-in's renderer (host/render), which only
// the Linux build has. The Windows build accepts none of these options and
// says so.
//
// State: the picture folder, the scenario's name, whether the renderer and the
// window are open and whether the crowd runs.
#include <cstdio>

#include "../standin/Live.h"
#include "Scenario.h"

#if defined(QV_RENDER)
#include "../render/Render.h"
#include "../render/Window.h"
#endif

namespace qvhost {

static std::string pictureDir;
static std::string scenarioName;
static bool rendererOpen = false, windowOpen = false, crowdRunning = false;

static std::string StemOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool RendererAvailable() {
#if defined(QV_RENDER)
    return true;
#else
    return false;
#endif
}

bool StartScreenOutput(const Options& options) {
    pictureDir = options.pngDir;
    scenarioName = options.scenarioPath.empty() ? "window" : StemOf(options.scenarioPath);
    bool wantRenderer = !options.pngDir.empty() || options.window;
    int crowd = options.crowd >= 0 ? options.crowd : options.scenarioPath.empty() ? 40 : -1;
    if (!options.irc.empty()) crowd = -1; // the chat server's own users are the crowd
#if defined(QV_RENDER)
    if (wantRenderer) {
        render::Options ro;
        ro.artDir = options.artDir;
        ro.debugOverlay = options.overlay;
        std::string error;
        if (!render::Init(ro, &error)) {
            std::fprintf(stderr, "qvhost: %s\n", error.c_str());
            return false;
        }
        rendererOpen = true;
    }
    if (options.window) {
        render::WindowOptions wo;
        wo.fps = options.fps;
        wo.pictureDir = options.pngDir;
        if (crowd >= 0) wo.everyFrame = standin::StepCrowd;
        std::string error;
        if (!render::OpenWindow(wo, &error)) {
            std::fprintf(stderr, "qvhost: %s\n", error.c_str());
            EndScreenOutput();
            return false;
        }
        windowOpen = true;
    }
#else
    if (wantRenderer) {
        std::fprintf(stderr, "qvhost: --png and --window are not available in this build: the Windows build "
                             "has no renderer (use the Linux build)\n");
        return false;
    }
#endif
    if (crowd >= 0 && options.window) {
        standin::CrowdOptions co;
        co.users = crowd;
        co.seed = options.seed;
        standin::StartCrowd(co);
        crowdRunning = true;
    }
    return true;
}

std::string TakePicture(const std::string& name) {
    if (pictureDir.empty()) return "";
#if defined(QV_RENDER)
    std::string error;
    if (!render::WritePicture(pictureDir + "/" + name + ".png", &error)) return error;
#else
    (void)name;
#endif
    return "";
}

std::string TakeLinePicture(const Where& where) {
    return TakePicture(scenarioName + "-" + std::to_string(where.line));
}

std::string TakeEndPicture() {
    return TakePicture(scenarioName + "-end");
}

void EndScreenOutput() {
    if (crowdRunning) standin::StopCrowd();
    crowdRunning = false;
#if defined(QV_RENDER)
    if (windowOpen) render::CloseWindow();
    if (rendererOpen) render::Shutdown();
#endif
    windowOpen = rendererOpen = false;
}

} // namespace qvhost
