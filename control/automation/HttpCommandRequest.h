#pragma once

#include "control/automation/CommandRunner.h"
#include "control/session/HttpRequest.h"

namespace strovix {

// A command's request object over the HTTP request layer, reading its reply
// in 75-byte slices as the connection's short requests do.
class HttpCommandRequest final : public CommandRequest {
public:
    explicit HttpCommandRequest(HttpRequestPtr request) : m_request(std::move(request)) { }
    int fetch(const std::string& url, std::string& body) override
    {
        if (!m_request->busy())
            m_request->setReadGranularity(75);
        return toInt(m_request->FetchReply(url, body));
    }
    void abort() override { m_request->Abort(); }

private:
    HttpRequestPtr m_request;
};

} // namespace strovix
