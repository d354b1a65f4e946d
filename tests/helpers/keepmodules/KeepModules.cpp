// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Preloaded into the program under LeakSanitizer, after the sanitizer's own runtime: every library stays mapped
// until the process ends. Qt's Wayland plugins and the graphics drivers they load (Mesa's software driver on a
// machine without a GPU) are unloaded before the leak check runs; memory that only such a library still points to
// then looks leaked, and its stack names an unknown module, so no suppression can name it. With the libraries
// kept, what they hold stays reachable, and a real leak is shown with the library's name in every frame.
extern "C" int dlclose(void *handle);

extern "C" int dlclose(void *)
{
    return 0;
}
