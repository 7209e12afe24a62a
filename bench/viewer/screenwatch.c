/* Watches the X screen for the viewer probe (probe.sh).
 *   screenwatch now                  prints the monotonic clock, in milliseconds
 *   screenwatch marker TIMEOUT_MS   waits until the page's red marker shows; prints the
 *                                    monotonic time it was seen, or "timeout"
 *   screenwatch settle QUIET_MS TIMEOUT_MS
 *                                    waits until the screen has not changed for QUIET_MS;
 *                                    prints the monotonic time of its last change
 * The probe documents carry a block of pure red on their first page, a colour no
 * viewer's own interface shows, so its pixels mean the page was drawn. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static void sleep_ms(int ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, NULL);
}

/* Red pixels (every 2nd pixel of every 2nd row) and a hash of the sampled screen. */
static void sample(Display* d, Window root, int w, int h, long* red, uint64_t* hash) {
    XImage* img = XGetImage(d, root, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
    *red = 0;
    *hash = 1469598103934665603ull;
    if (!img)
        return;
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2) {
            const unsigned long p = XGetPixel(img, x, y);
            const unsigned r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
            if (r > 230 && g < 30 && b < 30)
                ++*red;
            *hash = (*hash ^ p) * 1099511628211ull;
        }
    XDestroyImage(img);
}

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "now") == 0) {
        printf("%.0f\n", now_ms());
        return 0;
    }
    if (argc < 3)
        return 2;
    Display* d = XOpenDisplay(NULL);
    if (!d)
        return 2;
    const Window root = DefaultRootWindow(d);
    XWindowAttributes attr;
    XGetWindowAttributes(d, root, &attr);
    const double start = now_ms();
    long red;
    uint64_t hash;
    if (strcmp(argv[1], "marker") == 0) {
        const double timeout = atof(argv[2]);
        while (now_ms() - start < timeout) {
            sample(d, root, attr.width, attr.height, &red, &hash);
            if (red > 500) {
                printf("%.0f\n", now_ms());
                return 0;
            }
            sleep_ms(3);
        }
        puts("timeout");
        return 1;
    }
    if (strcmp(argv[1], "settle") == 0 && argc >= 4) {
        const double quiet = atof(argv[2]), timeout = atof(argv[3]);
        uint64_t last = 0;
        double changed = start;
        while (now_ms() - start < timeout) {
            sample(d, root, attr.width, attr.height, &red, &hash);
            const double t = now_ms();
            if (hash != last) {
                last = hash;
                changed = t;
            } else if (t - changed >= quiet) {
                printf("%.0f\n", changed);
                return 0;
            }
            sleep_ms(5);
        }
        puts("timeout");
        return 1;
    }
    return 2;
}
