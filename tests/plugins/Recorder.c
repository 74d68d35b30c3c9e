// SPDX-License-Identifier: GPL-3.0-or-later
/* Stands in for any of our helper libraries: notes its loading and each
 * call, with the arguments, in the file named by $QB_HELPER_RECORD. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static void note(const char* format, ...) __attribute__((format(printf, 1, 2)));

#include <stdarg.h>

static void note(const char* format, ...)
{
    const char* path = getenv("QB_HELPER_RECORD");
    if (!path)
        return;
    FILE* f = fopen(path, "a");
    if (!f)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(f, format, args);
    va_end(args);
    fputc('\n', f);
    fclose(f);
}

__attribute__((constructor)) static void loaded(void) { note("loaded"); }

void OpenPane(int32_t top, int32_t left, int32_t height, int32_t width, const char* url)
{
    note("OpenPane %d %d %d %d %s", (int)top, (int)left, (int)height, (int)width, url ? url : "(null)");
}

void ShowCredits(const char* changeDateLine, const char* projectLine)
{
    note("ShowCredits %s|%s", changeDateLine ? changeDateLine : "(null)", projectLine ? projectLine : "(null)");
}

void PickGlyph(void) { note("PickGlyph"); }
