#include "crawler/crawler_device.h"

#include "link/byte_order.h"
#include "link/link_error.h"

#include <algorithm>
#include <cstring>

namespace orvex::crawler {

namespace {

constexpr auto wake_period = std::chrono::milliseconds(100);
constexpr auto read_period = std::chrono::milliseconds(2);
constexpr auto state_poll_period = std::chrono::seconds(1);
constexpr auto live_timeout = std::chrono::milliseconds(200);

std::string broadcast_of(const std::string& address)
{
    const auto dot = address.rfind('.');
    return dot == std::string::npos ? address : address.substr(0, dot) + ".255";
}

} // namespace

CrawlerDevice::CrawlerDevice(unsigned frames)
    : frames_(std::clamp(frames, 1u, memory_frames)),
      memory_size_(frames_ * frame_bytes),
      memory_(new std::uint8_t[memory_size_]()),
      frame_buffer_(new std::uint8_t[frame_buffer_bytes]()),
      window_buffers_(new std::uint8_t[std::min(frames_, memory_read_window) * frame_bytes]()),
      frame_task_(links_[2], frame_buffer_.get())
{
    for (unsigned i = 0; i < std::min(frames_, memory_read_window); ++i) {
        memory_tasks_.push_back(
            std::make_unique<CrawlerTaskReadFrame>(links_[2], window_buffers_.get() + i * frame_bytes));
        memory_tasks_.back()->share_link(&memory_allowance_);
    }
    thread_ = std::thread([this] { worker(); });
}

CrawlerDevice::~CrawlerDevice()
{
    {
        std::lock_guard<std::mutex> lock(wake_mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::string CrawlerDevice::seconds_text(clock::duration d)
{
    return "Прошло " + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(d).count()) + " сек. ";
}

void CrawlerDevice::close_links() noexcept
{
    for (auto& l : links_) {
        try {
            l.close();
        } catch (const k7::link_error&) {
            // the link is closed either way
        }
    }
}

void CrawlerDevice::connect(const std::string& address, std::uint16_t port)
{
    std::scoped_lock lock(command_mutex_, worker_mutex_);
    close_links();
    connected_ = false;
    address_ = address;
    try {
        for (std::size_t i = 0; i < 3; ++i)
            links_[i].open(address, port);
        links_[1].set_receive_buffer(crawler_link_buffer);
        links_[2].set_receive_buffer(crawler_link_buffer);
        links_[3].open(broadcast_of(address), port);
        links_[3].set_broadcast(true);
    } catch (...) {
        close_links();
        throw;
    }
}

void CrawlerDevice::disconnect()
{
    std::scoped_lock lock(command_mutex_, worker_mutex_);
    close_links();
    connected_ = false;
}

void CrawlerDevice::open_fixed_link(const std::string& address)
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    fixed_link_.open(address, crawler_port, fixed_link_local_port);
}

bool CrawlerDevice::fixed_link_open() const
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    return fixed_link_.is_open();
}

std::string CrawlerDevice::address() const
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    return address_;
}

std::pair<std::uint8_t, bool> CrawlerDevice::get_state()
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    std::uint8_t buf[2] = {0xA4, 0};
    const bool ok = links_[1].transact(buf, 1, 2, 0xA4);
    connected_ = ok;
    if (!ok)
        return {0, false};
    busy_ = buf[1];
    return {buf[1], true};
}

bool CrawlerDevice::delayed_start(std::uint8_t parameter)
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    if (start_request_.load() || state_.load() != int(measure_state::idle))
        return false;
    std::uint8_t buf[2] = {0xA6, parameter};
    if (!links_[0].transact(buf, 2, 1, 0xA6))
        return false;
    start_request_ = true;
    wake_.notify_all();
    return true;
}

bool CrawlerDevice::reset_encoders()
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    std::uint8_t buf[1] = {0xA8};
    return links_[0].transact(buf, 1, 1, 0xA8);
}

void CrawlerDevice::set_motors(std::uint8_t enable_1, std::uint16_t pulse_1, std::uint8_t enable_2,
                               std::uint16_t pulse_2)
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    motor_1_enable_ = enable_1;
    motor_1_pulse_ = pulse_1;
    motor_2_enable_ = enable_2;
    motor_2_pulse_ = pulse_2;
    motors_once_ = false;
}

void CrawlerDevice::set_motors_once(std::uint8_t enable_1, std::uint16_t pulse_1, std::uint8_t enable_2,
                                    std::uint16_t pulse_2)
{
    set_motors(enable_1, pulse_1, enable_2, pulse_2);
    std::lock_guard<std::mutex> lock(command_mutex_);
    motors_once_ = true;
}

CrawlerDevice::poll_result CrawlerDevice::live_poll(std::uint8_t flag, clock::time_point now)
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    poll_result r;
    if (poll_phase_ == 0) {
        std::uint8_t rq[8] = {0xA9, flag, motor_1_enable_, 0, 0, motor_2_enable_, 0, 0};
        bytes::put_be16(&rq[3], motor_1_pulse_);
        bytes::put_be16(&rq[6], motor_2_pulse_);
        links_[0].drain();
        links_[0].send(rq, sizeof rq);
        poll_sent_ = now;
        poll_phase_ = 1;
        // The one-shot command went out: the motors get no command after its reply.
        clear_after_reply_ = motors_once_;
        motors_once_ = false;
        return r;
    }
    std::uint8_t reply[1 + live_record_size];
    if (links_[0].take(reply, sizeof reply, 0xA9)) {
        if (clear_after_reply_) {
            motor_1_enable_ = motor_2_enable_ = 0;
            motor_1_pulse_ = motor_2_pulse_ = 0;
            clear_after_reply_ = false;
        }
        live_raw_ = decode_raw(reply + 1);
        live_phys_ = physical(live_raw_);
        rate_.count(1);
        poll_phase_ = 0;
        r.record = r.answered = true;
        return r;
    }
    if (now - poll_sent_ > live_timeout) {
        // The one-shot command is sent again with the next poll, so that a
        // lost reply cannot leave the motors on their last pulse widths.
        if (clear_after_reply_)
            motors_once_ = true;
        clear_after_reply_ = false;
        poll_phase_ = 0;
        r.lost = true;
    }
    return r;
}

bool CrawlerDevice::motor_command_pending() const
{
    std::lock_guard<std::mutex> lock(command_mutex_);
    return motors_once_ || clear_after_reply_;
}

bool CrawlerDevice::read_memory(observer on_change)
{
    std::lock_guard<std::mutex> lock(worker_mutex_);
    if (memory_reading_ || memory_request_ || frame_request_ || !frame_task_.idle())
        return false;
    memory_observer_ = std::move(on_change);
    {
        std::lock_guard<std::mutex> s(state_mutex_);
        memory_state_ = task_state{1, 0, 0, frames_};
    }
    memory_request_ = true;
    wake_.notify_all();
    return true;
}

bool CrawlerDevice::read_frame(std::uint8_t frame, observer on_change)
{
    std::lock_guard<std::mutex> lock(worker_mutex_);
    if (memory_reading_ || memory_request_ || frame_request_ || !frame_task_.idle())
        return false;
    frame_observer_ = std::move(on_change);
    {
        std::lock_guard<std::mutex> s(state_mutex_);
        frame_state_ = task_state{1, 0, 0, 1};
    }
    frame_request_number_ = frame;
    frame_request_ = true;
    wake_.notify_all();
    return true;
}

task_state CrawlerDevice::memory_read_state() const
{
    std::lock_guard<std::mutex> s(state_mutex_);
    return memory_state_;
}

task_state CrawlerDevice::frame_read_state() const
{
    std::lock_guard<std::mutex> s(state_mutex_);
    return frame_state_;
}

void CrawlerDevice::report(const observer& o, const task_state& s)
{
    if (o)
        o(s);
}

void CrawlerDevice::worker()
{
    auto next = clock::now();
    auto next_measure = next;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(wake_mutex_);
            if (wake_.wait_until(lock, next, [this] { return stopping_; }))
                return;
        }
        const auto now = clock::now();
        bool reading = false;
        {
            std::lock_guard<std::mutex> lock(worker_mutex_);
            if (now >= next_measure) {
                measurement_step(now);
                next_measure = now + wake_period;
            }
            memory_step();
            frame_step();
            reading = memory_reading_ || !frame_task_.idle();
        }
        next = std::min(now + (reading ? read_period : wake_period), next_measure);
        if (start_request_)
            next_measure = now;
        if (memory_request_ || frame_request_ || start_request_)
            next = now;
    }
}

void CrawlerDevice::measurement_step(clock::time_point now)
{
    switch (measure_state(state_.load())) {
    case measure_state::idle:
        if (start_request_.exchange(false)) {
            measure_start_ = now;
            last_state_poll_ = now;
            measure_read_started_ = false;
            // The status first: whoever sees the new state reads its text.
            set_status("Начало измерений");
            state_ = int(measure_state::measuring);
        }
        break;
    case measure_state::measuring: {
        // A read the user started runs on the same link: wait for its end.
        if (now - last_state_poll_ < state_poll_period || memory_reading_ || memory_request_ ||
            frame_request_ || !frame_task_.idle())
            break;
        last_state_poll_ = now;
        std::uint8_t buf[2] = {0xA4, 0};
        const bool ok = links_[2].transact(buf, 1, 2, 0xA4);
        connected_ = ok;
        const std::string waiting = "Ожидание окончания измерений. ";
        if (!ok) {
            set_status(waiting + "Нет связи. " + seconds_text(now - measure_start_));
            const std::uint8_t wake[1] = {0xF4};
            links_[3].send(wake, 1);
            break;
        }
        busy_ = buf[1];
        if (buf[1] == 0) {
            set_status("Чтение результатов измерений");
            {
                std::lock_guard<std::mutex> s(state_mutex_);
                memory_state_ = task_state{1, 0, 0, frames_};
            }
            memory_observer_ = {};
            memory_request_ = true;
            state_ = int(measure_state::reading);
        } else {
            set_status(waiting + seconds_text(now - measure_start_));
        }
        break;
    }
    case measure_state::reading: {
        if (memory_reading_ || memory_request_)
            break;
        const task_state s = memory_read_state();
        if (s.success) {
            set_status("Обработка данных");
            decode_results();
            set_status("Измерение завершено. " + seconds_text(now - measure_start_));
        } else {
            set_status("Ошибка чтения результатов. " + seconds_text(now - measure_start_));
        }
        state_ = int(measure_state::idle);
        break;
    }
    }
}

void CrawlerDevice::memory_step()
{
    const auto now = clock::now();
    if (!memory_reading_) {
        if (!memory_request_.exchange(false))
            return;
        memory_reading_ = true;
        memory_frame_ = memory_next_ = 0;
        memory_repeats_ = 0;
        links_[2].drain();
        memory_allowance_.restart(now);
        await_frame();
    }
    // Each line datagram goes to the frame it names while that frame is in
    // flight; a late answer for a frame that has landed is dropped.
    for (;;) {
        const std::size_t n = links_[2].receive(line_datagram_.data(), line_datagram_.size());
        if (n == 0)
            break;
        const unsigned frame = n > 1 ? line_datagram_[1] : frames_;
        if (frame >= memory_frame_ && frame < memory_next_)
            memory_task(frame).take_line(line_datagram_.data(), n);
    }
    // The oldest frame first: its re-requests are the first claim on the allowance.
    bool failed = false;
    for (unsigned k = memory_frame_; k < memory_next_; ++k) {
        CrawlerTaskReadFrame& t = memory_task(k);
        t.step_at(now);
        failed = failed || (t.idle() && !t.success());
    }
    while (memory_frame_ < memory_next_ && memory_task(memory_frame_).idle() &&
           memory_task(memory_frame_).success()) {
        {
            std::lock_guard<std::mutex> l(results_mutex_);
            std::memcpy(memory_.get() + std::size_t(memory_frame_) * frame_bytes,
                        window_buffers_.get() +
                            std::size_t(memory_frame_ % memory_tasks_.size()) * frame_bytes,
                        frame_bytes);
        }
        memory_repeats_ += memory_task(memory_frame_).repeated_requests();
        if (++memory_frame_ < frames_)
            await_frame();
    }
    if (failed || memory_frame_ == frames_) {
        finish_memory_read(!failed);
        return;
    }
    // A further frame only while every frame in flight has asked for all its
    // lines once: until then the link is busy anyway.
    while (memory_next_ < frames_ && memory_next_ - memory_frame_ < memory_tasks_.size() &&
           (memory_next_ == memory_frame_ || memory_task(memory_next_ - 1).all_requested())) {
        CrawlerTaskReadFrame& t = memory_task(memory_next_);
        t.set_frame(std::uint8_t(memory_next_));
        t.start();
        t.step_at(now);
        ++memory_next_;
    }
}

void CrawlerDevice::await_frame()
{
    set_status("Чтение кадра " + std::to_string(memory_frame_) + " из " + std::to_string(frames_));
    task_state s;
    {
        std::lock_guard<std::mutex> l(state_mutex_);
        memory_state_.done = memory_frame_;
        s = memory_state_;
    }
    report(memory_observer_, s);
}

void CrawlerDevice::finish_memory_read(bool success)
{
    memory_reading_ = false;
    for (unsigned k = memory_frame_; k < memory_next_; ++k)
        memory_repeats_ += memory_task(k).repeated_requests();
    for (auto& t : memory_tasks_)
        t->cancel();
    task_state s;
    {
        std::lock_guard<std::mutex> l(state_mutex_);
        memory_state_.busy = 0;
        memory_state_.success = success ? 1 : 0;
        memory_state_.done = memory_frame_;
        s = memory_state_;
    }
    if (success) {
        const LogHeader h = memory_header();
        set_action_status("Повторных передач: " + std::to_string(memory_repeats_.load()) + ";  " +
                          "Измерений: " + std::to_string(h.count));
    } else {
        set_action_status("Повторных передач: " + std::to_string(memory_repeats_.load()));
    }
    report(memory_observer_, s);
}

void CrawlerDevice::frame_step()
{
    if (memory_reading_)
        return;
    if (!single_frame_) {
        if (!frame_request_.exchange(false))
            return;
        frame_task_.set_frame(frame_request_number_.load());
        frame_task_.start();
        single_frame_ = true;
    }
    frame_task_.step();
    if (!frame_task_.idle())
        return;
    single_frame_ = false;
    frame_repeats_ = frame_task_.repeated_requests();
    task_state s;
    {
        std::lock_guard<std::mutex> l(state_mutex_);
        frame_state_ =
            task_state{0, std::uint8_t(frame_task_.success() ? 1 : 0), frame_task_.success() ? 1u : 0u, 1};
        s = frame_state_;
    }
    report(frame_observer_, s);
}

bool CrawlerDevice::decode_results()
{
    std::lock_guard<std::mutex> l(results_mutex_);
    return decode_log(memory_.get(), memory_size_, results_raw_, results_phys_);
}

std::vector<RawEntry> CrawlerDevice::results_raw() const
{
    std::lock_guard<std::mutex> l(results_mutex_);
    return results_raw_;
}

std::vector<PhysEntry> CrawlerDevice::results_phys() const
{
    std::lock_guard<std::mutex> l(results_mutex_);
    return results_phys_;
}

std::size_t CrawlerDevice::result_count() const
{
    std::lock_guard<std::mutex> l(results_mutex_);
    return results_phys_.size();
}

LogHeader CrawlerDevice::memory_header() const
{
    std::lock_guard<std::mutex> l(results_mutex_);
    return read_log_header(memory_.get(), memory_size_);
}

void CrawlerDevice::with_memory(const std::function<void(const std::uint8_t*, std::size_t)>& f) const
{
    std::lock_guard<std::mutex> l(results_mutex_);
    f(memory_.get(), memory_size_);
}

void CrawlerDevice::with_frame(const std::function<void(const std::uint8_t*, std::size_t)>& f) const
{
    std::lock_guard<std::mutex> l(results_mutex_);
    f(frame_buffer_.get(), frame_bytes);
}

void CrawlerDevice::set_status(std::string text)
{
    std::lock_guard<std::mutex> l(status_mutex_);
    status_ = std::move(text);
}

void CrawlerDevice::set_action_status(std::string text)
{
    std::lock_guard<std::mutex> l(status_mutex_);
    action_status_ = std::move(text);
}

std::string CrawlerDevice::status() const
{
    std::lock_guard<std::mutex> l(status_mutex_);
    return status_;
}

std::string CrawlerDevice::action_status() const
{
    std::lock_guard<std::mutex> l(status_mutex_);
    return action_status_;
}

} // namespace orvex::crawler
