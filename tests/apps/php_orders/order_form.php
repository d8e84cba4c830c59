<?php
// The order form of order.php and order_again.php: the order read from the POST, and the page.

// The order as posted, or the list of what is wrong with it.
function read_order(array &$errors): array
{
    $name = read_customer_name($errors);
    $quantity = filter_var($_POST['quantity'] ?? '', FILTER_VALIDATE_INT, ['options' => ['min_range' => 0]]);
    if ($quantity === false) {
        $errors[] = 'Quantity must be a whole number.';
    }
    $dateText = (string)($_POST['order_date'] ?? '');
    $date = DateTime::createFromFormat('!Y-m-d', $dateText);
    if (!$date || $date->format('Y-m-d') !== $dateText) {
        $errors[] = 'Order date must be a date.';
    }
    return [
        'customer_name' => $name,
        'quantity' => $quantity,
        'order_date' => $date ? $date->format('Y-m-d') : null,
        'gift_wrap' => isset($_POST['gift_wrap']) ? 1 : 0,
        'notes' => (string)($_POST['notes'] ?? ''),
    ];
}

// Saves the order posted to the page named form; false (with errors) when there is none or it is wrong.
function take_order(string $form, array &$errors): bool
{
    if ($_SERVER['REQUEST_METHOD'] !== 'POST') {
        return false;
    }
    check_token();
    $order = read_order($errors);
    if ($errors) {
        return false;
    }
    save_order($form, $order);
    return true;
}

function show_order_form(string $action, array $errors, string $message = ''): void
{
    page_start('New order');
    echo "<h1>New order</h1>\n";
    if ($message !== '') {
        echo '<p class="message">', h($message), "</p>\n";
    }
    foreach ($errors as $error) {
        echo '<p class="error">', h($error), "</p>\n";
    }
    ?>
<form method="post" action="<?= h($action) ?>">
  <input type="hidden" name="token" value="<?= h(csrf_token()) ?>">
  <p><label>Customer name <input type="text" name="customer_name" maxlength="30"></label></p>
  <p><label>Quantity <input type="number" name="quantity" min="0"></label></p>
  <p><label>Order date <input type="date" name="order_date"></label></p>
  <p><label><input type="checkbox" name="gift_wrap" value="yes"> Gift wrap</label></p>
  <p><label>Notes <textarea name="notes" rows="4" cols="40"></textarea></label></p>
  <p><input type="submit" value="Place order"></p>
</form>
<?php
    page_end();
}
