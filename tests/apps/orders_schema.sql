-- The table orders of the Flask and PHP applications (the Django model makes the same one).
CREATE TABLE IF NOT EXISTS orders (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  form TEXT NOT NULL,
  customer_name TEXT NOT NULL,
  quantity INTEGER,
  order_date TEXT,
  gift_wrap INTEGER NOT NULL DEFAULT 0,
  notes TEXT NOT NULL DEFAULT '',
  attachment_name TEXT,
  attachment_sha256 TEXT,
  attachment_size INTEGER
);
