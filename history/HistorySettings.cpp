#include "history/HistorySettings.h"

#include "resources/ImageStore.h"

bool HistorySettings::RecordsEveryone() {
    return ImageStore::GetConfig()->Read("/History/scope", SCOPE_FAVORITES) == SCOPE_ALL;
}

long HistorySettings::Days() {
    long days = DEFAULT_DAYS;
    if (!ImageStore::GetConfig()->Read("/History/days", &days) || days < MIN_DAYS ||
        days > MAX_DAYS)
        return DEFAULT_DAYS;
    return days;
}
