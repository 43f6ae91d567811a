-- Neovim (0.7 and later) as the language server's client, headless:
--   WEFTSMITH_LSP=... BUILD_FILE=... RESULT=... nvim --headless --clean -u neovim_client.lua
-- Attaches the server to the build file, puts an unknown command word on
-- line 3 (1-based), waits for its diagnostic, puts the line back, waits for
-- the diagnostics to clear, asks for a hover and a formatting, and writes
-- what it saw to RESULT, one finding a line. Any failure is written there too.
local result = {}
local function note(line) table.insert(result, line) end

local ok, err = pcall(function()
  local file = os.getenv("BUILD_FILE")
  vim.cmd("edit " .. vim.fn.fnameescape(file))
  local buf = vim.api.nvim_get_current_buf()
  local published = {}
  local id = vim.lsp.start_client({
    name = "weftsmith",
    cmd = { os.getenv("WEFTSMITH_LSP") },
    root_dir = vim.fn.fnamemodify(file, ":p:h"),
    handlers = {
      ["textDocument/publishDiagnostics"] = function(e, params, ctx, config)
        table.insert(published, #params.diagnostics)
        vim.lsp.diagnostic.on_publish_diagnostics(e, params, ctx, config)
      end,
    },
  })
  assert(id, "the client did not start")
  vim.lsp.buf_attach_client(buf, id)
  assert(vim.wait(15000, function() return #published >= 1 end, 20), "no diagnostics after opening")
  note("opened " .. published[1])

  local good = vim.api.nvim_buf_get_lines(buf, 2, 3, false)[1]
  vim.api.nvim_buf_set_lines(buf, 2, 3, false, { "tga" .. good:sub(4) })
  assert(vim.wait(15000, function() return published[#published] > 0 end, 20), "no diagnostic for the bad line")
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    note("diagnostic " .. (d.lnum + 1) .. " " .. d.message)
  end

  local count = #published
  vim.api.nvim_buf_set_lines(buf, 2, 3, false, { good })
  assert(vim.wait(15000, function() return #published > count and published[#published] == 0 end, 20),
    "the diagnostics did not clear")
  note("cleared " .. #vim.diagnostic.get(buf))

  local hover = vim.lsp.buf_request_sync(buf, "textDocument/hover",
    { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = 2, character = 6 } }, 10000)
  local value = hover and hover[id] and hover[id].result and hover[id].result.contents.value or ""
  note("hover " .. value:gsub("\n", " "))

  local edits = vim.lsp.buf_request_sync(buf, "textDocument/formatting",
    { textDocument = { uri = vim.uri_from_bufnr(buf) }, options = { tabSize = 2, insertSpaces = true } },
    10000)
  vim.lsp.util.apply_text_edits(edits[id].result, buf, "utf-16")
  for _, line in ipairs(vim.api.nvim_buf_get_lines(buf, 0, -1, false)) do
    note("formatted " .. line)
  end
  vim.lsp.stop_client(id)
end)
if not ok then note("error " .. tostring(err)) end
vim.fn.writefile(result, os.getenv("RESULT"))
vim.cmd("qall!")
