// Watches a square of the screen for bench/open_to_picture.sh: every
// INTERVAL seconds it reads the square's pixels from the X server and prints
// the wall-clock time, the square's mean brightness (0 to 1000) and whether
// the windows WINDOWS (a dialog over the square: ids separated by commas)
// have all been taken off the screen, one line a look, until it is stopped. A look is one small
// GetImage request (about half a millisecond of a core), so the looks do not
// slow the program being watched; a screenshot through ImageMagick took
// 0.3 s of a core. The window's end is learnt from the server's own event,
// which comes before any later look, so a look marked 1 never shows it
// (WINDOWS 0: no window, every look is marked 1).
//   screen_probe X Y SIZE INTERVAL WINDOWS
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

#include <time.h>

namespace {

// A window that went before it was watched is simply gone.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// Mean brightness of an image, 0 to 1000.
int brightness(XImage* image)
{
    double sum = 0.0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const double red = (pixel & image->red_mask) * 255.0 / image->red_mask;
            const double green = (pixel & image->green_mask) * 255.0 / image->green_mask;
            const double blue = (pixel & image->blue_mask) * 255.0 / image->blue_mask;
            sum += 0.299 * red + 0.587 * green + 0.114 * blue;
        }
    }
    const double pixels = static_cast<double>(image->width) * image->height;
    return pixels > 0 ? static_cast<int>(sum / pixels / 255.0 * 1000.0) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fputs("usage: screen_probe X Y SIZE INTERVAL WINDOWS\n", stderr);
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int size = std::atoi(argv[3]);
    const auto interval = std::chrono::duration<double>(std::atof(argv[4]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || size <= 0)
        return 1;
    XSetErrorHandler(ignoreErrors);
    std::set<Window> shown;
    for (const char* id = argv[5]; *id != '\0';) {
        char* end = nullptr;
        const auto window = static_cast<Window>(std::strtoul(id, &end, 0));
        if (end == id)
            break;
        if (window != 0) {
            shown.insert(window);
            XSelectInput(display, window, StructureNotifyMask);
        }
        id = *end == ',' ? end + 1 : end;
    }
    auto next = std::chrono::steady_clock::now();
    for (;;) {
        XSync(display, False);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == UnmapNotify)
                shown.erase(event.xunmap.window);
            else if (event.type == DestroyNotify)
                shown.erase(event.xdestroywindow.window);
        }
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(size),
                                  static_cast<unsigned>(size), AllPlanes, ZPixmap);
        if (image == nullptr)
            return 1;
        const int level = brightness(image);
        XDestroyImage(image);
        if (std::printf("%ld.%09ld %d %d\n", static_cast<long>(now.tv_sec), now.tv_nsec, level, shown.empty() ? 1 : 0)
                < 0
            || std::fflush(stdout) != 0)
            return 0;
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(interval);
        std::this_thread::sleep_until(next);
    }
}
