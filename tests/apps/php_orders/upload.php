<?php
require __DIR__ . '/common.php';
require_login();

$errors = [];
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    check_token();
    $name = read_customer_name($errors);
    $file = $_FILES['attachment'] ?? ['error' => UPLOAD_ERR_NO_FILE];
    if ($file['error'] !== UPLOAD_ERR_OK && $file['error'] !== UPLOAD_ERR_NO_FILE) {
        $errors[] = 'The file did not arrive (error ' . $file['error'] . ').';
    }
    if (!$errors) {
        $order = ['customer_name' => $name];
        if ($file['error'] === UPLOAD_ERR_OK) {
            $order += [
                'attachment_name' => $file['name'],
                'attachment_sha256' => hash_file('sha256', $file['tmp_name']),
                'attachment_size' => $file['size'],
            ];
        }
        save_order('upload', $order);
        header('Location: thanks.php');
        exit;
    }
}

page_start('Upload');
echo "<h1>Send a file</h1>\n";
foreach ($errors as $error) {
    echo '<p class="error">', h($error), "</p>\n";
}
?>
<form method="post" action="upload.php" enctype="multipart/form-data">
  <input type="hidden" name="token" value="<?= h(csrf_token()) ?>">
  <p><label>Customer name <input type="text" name="customer_name" maxlength="30"></label></p>
  <p><label>Attachment <input type="file" name="attachment"></label></p>
  <p><input type="submit" value="Upload"></p>
</form>
<?php
page_end();
