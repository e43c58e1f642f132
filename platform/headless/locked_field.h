// One field of a record guarded by its `lock` mutex, read or written under that lock: what the
// headless host's queries and settings do, from whichever thread a test calls them.
#pragma once

#include <mutex>
#include <utility>

template <typename Record, typename Field>
Field LockedField(Record& record, Field Record::*field)
{
    std::lock_guard<std::mutex> guard(record.lock);
    return record.*field;
}

template <typename Record, typename Field, typename Value>
void SetLockedField(Record& record, Field Record::*field, Value&& value)
{
    std::lock_guard<std::mutex> guard(record.lock);
    record.*field = std::forward<Value>(value);
}
