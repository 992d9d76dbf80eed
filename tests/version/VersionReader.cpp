// Prints a file's version resource as Windows reads it for the file's
// Properties: the fixed version numbers, then every string the check asks
// for, one "Name=value" line each, in the language the resource itself names.
// Usage: versionreader FILE NAME...   Exits 1 when the file has no version
// resource or lacks one of the strings.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "../../programs/EndProgram.h"

// The sub-block of a string: "\StringFileInfo\" + 8 hex digits + "\" + name.
static const size_t MaxQueryLength = 256;

static int Run(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: versionreader FILE NAME...\n");
        return 2;
    }
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
    if (size == 0) {
        printf("no version resource (error %lu)\n", GetLastError());
        return 1;
    }
    void* data = malloc(size);
    int status = 1;
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    struct Translation {
        WORD Language;
        WORD CodePage;
    }* translation = NULL;
    if (!GetFileVersionInfoA(argv[1], 0, size, data)) {
        printf("GetFileVersionInfoA failed (error %lu)\n", GetLastError());
    } else if (!VerQueryValueA(data, "\\", (void**)&fixed, &length) || length < sizeof(*fixed) ||
               fixed->dwSignature != VS_FFI_SIGNATURE) {
        printf("no fixed version information\n");
    } else if (!VerQueryValueA(data, "\\VarFileInfo\\Translation", (void**)&translation,
                               &length) ||
               length < sizeof(*translation)) {
        printf("no translation entry\n");
    } else {
        printf("Fixed=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
               LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
               LOWORD(fixed->dwFileVersionLS));
        printf("FixedProduct=%u.%u.%u.%u\n", HIWORD(fixed->dwProductVersionMS),
               LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
               LOWORD(fixed->dwProductVersionLS));
        status = 0;
        for (int i = 2; i < argc; i++) {
            char query[MaxQueryLength];
            snprintf(query, sizeof(query), "\\StringFileInfo\\%04x%04x\\%s",
                     translation->Language, translation->CodePage, argv[i]);
            char* value = NULL;
            if (VerQueryValueA(data, query, (void**)&value, &length) && value != NULL) {
                printf("%s=%s\n", argv[i], value);
            } else {
                printf("%s is missing\n", argv[i]);
                status = 1;
            }
        }
    }
    free(data);
    return status;
}

int main(int argc, char** argv) {
    return EndProgram(Run(argc, argv));
}
