#include "HostCalls.h"

void ShowWarning(int number, const BoxLine* detail) {
    BoxLine lines[3] = {{LineMessage, MsgWarningTitle, NULL}, {LineMessage, number, NULL}};
    if (detail)
        lines[2] = *detail;
    const BoxLine button = {LineMessage, MsgWarningButton, NULL};
    HostShowMessage(BoxWarning, lines, detail ? 3 : 2, &button, 1);
}

const char* BoxHelpTopic(BoxKind kind) {
    switch (kind) {
    case BoxWarning:
        return "Warnings";
    case BoxConfirmation:
        return "Remove";
    case BoxDetails:
        return "Details";
    case BoxNotice:
        break;
    }
    return NULL;
}
