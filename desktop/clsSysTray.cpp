#include "desktop/clsSysTray.h"

bool clsSysTray::Add()
{
    shown_ = false;
    return false;
}

void clsSysTray::Remove()
{
    shown_ = false;
}
