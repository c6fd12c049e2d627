// Times as the user writes them, for every window of the product.
#include "app/program.h"

#define PART_SIZE 64

void FormatFileTime(const FILETIME *time, char *out, int size)
{
    FILETIME local;
    SYSTEMTIME st;
    char date[PART_SIZE] = "", clock[PART_SIZE] = "";

    if (size <= 0)
        return;
    out[0] = '\0';
    if (!FileTimeToLocalFileTime(time, &local) || !FileTimeToSystemTime(&local, &st))
        return;
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, NULL, date, sizeof(date));
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, NULL, clock, sizeof(clock));
    AppendText(out, size, date);
    AppendText(out, size, " ");
    AppendText(out, size, clock);
}
